#include "lessonfile.h"

#include "core/controls.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace mulo {

QString lessonFilePath(const QString& directory)
{
    const QString name = QString::fromLatin1(lessonFileName);
    return directory.endsWith(u'/') ? directory + name : directory + u'/' + name;
}

QString lessonEntry(qint32 lineNumber, QStringView line)
{
    return QStringLiteral("第") + QString::number(lineNumber) + QStringLiteral("课：") +
           line.toString();
}

namespace {

// Length of the well-formed UTF-8 sequence at bytes[i], or 0 when there is none.
int utf8SequenceLength(QByteArrayView bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return uchar(bytes[k]); };
    const uchar b = at(i);
    if (b < 0x80)
        return 1;
    int length = 0;
    uchar low = 0x80, high = 0xBF; // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0)
            low = 0xA0; // no overlong forms
        if (b == 0xED)
            high = 0x9F; // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0)
            low = 0x90;
        if (b == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    if (at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (int k = 2; k < length; ++k) {
        if (at(i + k) < 0x80 || at(i + k) > 0xBF)
            return 0;
    }
    return length;
}

bool isGbkTrail(uchar b)
{
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

QStringDecoder& gb18030Decoder()
{
    // GB18030 is a superset of GBK; stateless, so one decoder serves every line.
    thread_local QStringDecoder decoder("GB18030", QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        throw RuntimeError(QStringLiteral("本机缺少 GBK 文字转换"));
    return decoder;
}

QString decodeWhole(QByteArrayView bytes, Encoding encoding)
{
    const auto kind = encoding == Encoding::Utf8      ? QStringConverter::Utf8
                      : encoding == Encoding::Utf16LE ? QStringConverter::Utf16LE
                                                      : QStringConverter::Utf16BE;
    QStringDecoder decoder(kind, QStringConverter::Flag::Stateless);
    return decoder(bytes);
}

constexpr bool isCr(char c)
{
    return c == '\r';
}
constexpr bool isLf(char c)
{
    return c == '\n';
}
constexpr bool isCr(QChar c)
{
    return c == u'\r';
}
constexpr bool isLf(QChar c)
{
    return c == u'\n';
}

// Calls take(line, terminated) for each line; stops early when take returns false.
// CR LF, CR and LF each end a line; the terminator is not part of it.
template <typename Text, typename Take> void forEachLine(Text text, Take take)
{
    const qsizetype n = text.size();
    for (qsizetype start = 0; start < n;) {
        qsizetype end = start;
        while (end < n && !isCr(text[end]) && !isLf(text[end]))
            ++end;
        if (!take(text.sliced(start, end - start), end < n))
            return;
        start = end + 1;
        if (end < n && isCr(text[end]) && start < n && isLf(text[start]))
            ++start;
    }
}

} // namespace

Encoding detectByteOrderMark(QByteArrayView bytes, qsizetype* bomLength)
{
    const auto starts = [&](QByteArrayView mark) { return bytes.startsWith(mark); };
    const auto result = [&](Encoding e, qsizetype bom) {
        if (bomLength)
            *bomLength = bom;
        return e;
    };
    if (starts("\xEF\xBB\xBF"))
        return result(Encoding::Utf8, 3);
    if (starts("\xFF\xFE"))
        return result(Encoding::Utf16LE, 2);
    if (starts("\xFE\xFF"))
        return result(Encoding::Utf16BE, 2);
    return result(Encoding::Unmarked, 0);
}

bool isCommonCharacter(QChar c)
{
    // The 3755 characters of GB2312's first level (GBK B0A1 … D7F9): what a lesson for a
    // young child is written in.
    static const std::vector<bool> common = [] {
        QByteArray level1;
        for (int lead = 0xB0; lead <= 0xD7; ++lead) {
            for (int trail = 0xA1; trail <= (lead == 0xD7 ? 0xF9 : 0xFE); ++trail)
                level1 += char(lead), level1 += char(trail);
        }
        std::vector<bool> table(0x10000);
        for (QChar c : decodeGbk(level1))
            table[c.unicode()] = true;
        return table;
    }();
    return common[c.unicode()];
}

QString decodeUnmarkedLine(QByteArrayView line)
{
    bool multiByte = false;
    for (qsizetype i = 0; i < line.size();) {
        const int length = utf8SequenceLength(line, i);
        if (length == 0)
            return decodeGbk(line);
        multiByte = multiByte || length > 1;
        i += length;
    }
    if (!multiByte)
        return decodeGbk(line); // plain ASCII reads the same either way
    // Valid UTF-8, but GBK text can be too (洹奥班啊 is E4A1 B0C2 B0E0 B0A1): the reading
    // with more of the common characters is the lesson.
    const auto common = [](const QString& text) {
        return std::count_if(text.begin(), text.end(), isCommonCharacter);
    };
    QString gbk = decodeGbk(line), utf8 = QString::fromUtf8(line);
    return common(gbk) > common(utf8) ? gbk : utf8;
}

QString decodeGbk(QByteArrayView bytes)
{
    QString out;
    qsizetype runStart = 0;
    const auto flush = [&](qsizetype end) {
        if (end > runStart)
            out += gb18030Decoder()(bytes.sliced(runStart, end - runStart));
    };
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const uchar b = uchar(bytes[i]);
        if (b < 0x80) {
            ++i;
        } else if (b >= 0x81 && b <= 0xFE && i + 1 < n && isGbkTrail(uchar(bytes[i + 1]))) {
            i += 2;
        } else {
            // Code page 936 gives 0x80 the euro sign; GB18030 has no single-byte 0x80, and
            // a lead byte without its trail byte is not a character at all.
            flush(i);
            out += b == 0x80 ? QChar(0x20AC) : QChar(QChar::ReplacementCharacter);
            runStart = ++i;
        }
    }
    if (runStart == 0)
        return n == 0 ? QString() : gb18030Decoder()(bytes);
    flush(n);
    return out;
}

LessonFile parseLessonFile(QByteArrayView bytes, int maxEntries, bool endsMidLine)
{
    qsizetype bom = 0;
    const Encoding encoding = detectByteOrderMark(bytes, &bom);
    bytes = bytes.sliced(bom);

    LessonFile result;
    const auto take = [&](QStringView line, bool terminated) {
        if (!terminated && endsMidLine)
            return false; // the rest of this line was never read
        if (result.lineCount == std::numeric_limits<qint32>::max())
            throw RuntimeError(QStringLiteral("课文行数超出范围"));
        ++result.lineCount;
        if (isBlank(line))
            return true;
        if (result.entries.size() >= maxEntries) {
            result.truncated = true;
            return false;
        }
        result.entries.append(lessonEntry(result.lineCount, line));
        return true;
    };

    if (encoding == Encoding::Unmarked) {
        // A file edited with two tools can hold lines of both encodings.
        forEachLine(bytes, [&](QByteArrayView line, bool terminated) {
            return take(decodeUnmarkedLine(line), terminated);
        });
    } else {
        const QString text = decodeWhole(bytes, encoding);
        forEachLine(QStringView(text), take);
    }
    return result;
}

FileBytes readLessonFileBytes(const QString& path)
{
    FileBytes result;
    const auto fail = [&](const QString& what) {
        result.error = what + QStringLiteral("：") + QString::fromLocal8Bit(std::strerror(errno));
        return result;
    };
    const auto refuse = [&](const QString& why) {
        result.error = why + path;
        return result;
    };
    // Non-blocking, so that a FIFO in the file's place cannot stall start-up.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(QStringLiteral("无法打开课文文件 ") + path);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return fail(QStringLiteral("无法读取课文文件 ") + path);
    if (!S_ISREG(info.st_mode))
        return refuse(QStringLiteral("课文文件不是普通文件："));
    if (info.st_size > maxLessonFileSize)
        return refuse(QStringLiteral("课文文件太大（超过 16 MiB）："));

    // The file may grow while it is read; the limit holds all the same.
    result.bytes.resize(qsizetype(info.st_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == result.bytes.size()) {
            if (filled > maxLessonFileSize) {
                result.bytes.clear();
                return refuse(QStringLiteral("课文文件太大（超过 16 MiB）："));
            }
            result.bytes.resize(std::min<qsizetype>(filled * 2 + 4096, maxLessonFileSize + 1));
        }
        const ssize_t got = ::read(fd, result.bytes.data() + filled, result.bytes.size() - filled);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            result.bytes.truncate(filled);
            return fail(QStringLiteral("读取课文文件出错"));
        }
        filled += got;
    }
    result.bytes.truncate(filled);
    return result;
}

} // namespace mulo
