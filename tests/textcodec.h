#pragma once

#include "gbktable.h"
#include "textencoding.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

namespace mulo::test {

// Lesson files as a parent's editor would save them: through the system's GB18030 encoder
// where there is one, else (Windows) by the program's own table read backwards.
inline QByteArray gbk(const QString& text)
{
    QStringEncoder encoder("GB18030");
    if (encoder.isValid())
        return encoder(text);
    static const QHash<char16_t, int> codes = [] {
        QHash<char16_t, int> inverse;
        for (int i = gbkTableSize - 1; i >= 0; --i)
            inverse[gbkTable[i]] = i;
        return inverse;
    }();
    QByteArray bytes;
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            bytes += char(c.unicode());
        } else if (const auto code = codes.find(c.unicode()); code != codes.end()) {
            const int trail = *code % gbkTrailCount;
            bytes += char(0x81 + *code / gbkTrailCount);
            bytes += char(trail + (trail < 0x3F ? 0x40 : 0x41));
        } else {
            bytes += '?';
        }
    }
    return bytes;
}

// Every Chinese character of GB2312, both levels (GBK B0A1 … F7FE), in code order.
inline QString gb2312Characters()
{
    QByteArray bytes;
    for (int lead = 0xB0; lead <= 0xF7; ++lead) {
        for (int trail = 0xA1; trail <= (lead == 0xD7 ? 0xF9 : 0xFE); ++trail)
            bytes += char(lead), bytes += char(trail);
    }
    return decodeGbk(bytes);
}

inline QByteArray utf16(const QString& text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    return encoder(text);
}

} // namespace mulo::test
