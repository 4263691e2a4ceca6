#pragma once

#include <QByteArray>
#include <QString>
#include <QStringEncoder>

namespace mulo::test {

// Lesson files as a parent's editor would save them.
inline QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GB18030");
    return encoder(text);
}

inline QByteArray utf16(const QString& text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder(text);
}

} // namespace mulo::test
