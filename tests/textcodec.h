#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

namespace mulo::test {

// Lesson files as a parent's editor would save them.
inline QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GB18030");
    return encoder(text);
}

// Every Chinese character of GB2312, both levels (GBK B0A1 … F7FE), in code order.
inline QString gb2312Characters()
{
    QByteArray bytes;
    for (int lead = 0xB0; lead <= 0xF7; ++lead) {
        for (int trail = 0xA1; trail <= (lead == 0xD7 ? 0xF9 : 0xFE); ++trail)
            bytes += char(lead), bytes += char(trail);
    }
    QStringDecoder decoder("GB18030");
    return decoder(bytes);
}

inline QByteArray utf16(const QString& text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder(text);
}

} // namespace mulo::test
