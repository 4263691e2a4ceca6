#include "lessonfile.h"

#include "core/controls.h"
#include "core/platform.h"

#include <QStringDecoder>
#include <algorithm>
#include <limits>

namespace mulo {

QString lessonFilePath(const QString& directory)
{
    const QString name = QString::fromLatin1(lessonFileName);
    return directory.endsWith(u'/') ? directory + name : directory + u'/' + name;
}

QString lessonEntry(qint32 lineNumber, QStringView line)
{
    // Written into one buffer of the right size: start-up makes one for each of up to
    // 32767 lessons.
    char16_t digits[10];
    qsizetype count = 0;
    quint32 n = quint32(std::max(lineNumber, 0));
    do {
        digits[count++] = char16_t(u'0' + n % 10);
        n /= 10;
    } while (n != 0);
    QString entry(1 + count + 2 + line.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(entry.data());
    *out++ = u'第';
    while (count > 0)
        *out++ = digits[--count];
    *out++ = u'课';
    *out++ = u'：';
    std::copy(line.utf16(), line.utf16() + line.size(), out);
    return entry;
}

namespace {

// A file a byte-order mark says is UTF-16, whole: its line ends are two bytes wide.
QString decodeUtf16(QByteArrayView bytes, Encoding encoding)
{
    const auto kind =
        encoding == Encoding::Utf16LE ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
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

// Calls take(line, terminated) for each line of a lesson file's bytes, decoded as the program
// reads them; stops when take returns false.
template <typename Take> void forEachLessonLine(QByteArrayView bytes, Take take)
{
    qsizetype bom = 0;
    const Encoding encoding = detectByteOrderMark(bytes, &bom);
    bytes = bytes.sliced(bom);
    // Lines are decoded one at a time: a large file is not held twice.
    const auto lineByLine = [&](auto decode) {
        forEachLine(bytes, [&](QByteArrayView line, bool terminated) {
            return take(decode(line), terminated);
        });
    };
    switch (encoding == Encoding::Unmarked ? decideUnmarkedFile(bytes) : encoding) {
    case Encoding::Utf8:
        lineByLine([](QByteArrayView line) { return QString::fromUtf8(line); });
        break;
    case Encoding::Gbk:
        lineByLine(decodeGbk);
        break;
    case Encoding::Unmarked: { // a file edited with two tools can hold lines of both encodings
        const Encoding lean = leaningOf(bytes);
        lineByLine([lean](QByteArrayView line) { return decodeUnmarkedLine(line, lean); });
        break;
    }
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        const QString text = decodeUtf16(bytes, encoding);
        forEachLine(QStringView(text), take);
        break;
    }
    }
}

} // namespace

QStringList lessonLines(QByteArrayView bytes)
{
    QStringList lines;
    forEachLessonLine(bytes, [&](QStringView line, bool) {
        lines.append(line.toString());
        return true;
    });
    return lines;
}

LessonFile parseLessonFile(QByteArrayView bytes, int maxEntries, bool endsMidLine)
{
    LessonFile result;
    // Room for every line at once: growing a list of 100,000 entries step by step costs more
    // than reading them.
    const qsizetype lineEnds =
        std::count(bytes.begin(), bytes.end(), '\n') + std::count(bytes.begin(), bytes.end(), '\r');
    result.entries.reserve(std::min<qsizetype>(lineEnds + 1, maxEntries));
    forEachLessonLine(bytes, [&](QStringView line, bool terminated) {
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
    });
    return result;
}

FileBytes readLessonFileBytes(const QString& path)
{
    using Status = platform::RegularFile::Status;
    platform::RegularFile file = platform::readRegularFile(path, maxLessonFileSize);
    FileBytes result;
    result.bytes = std::move(file.bytes);
    const auto because = [&](const QString& what) {
        return what + QStringLiteral("：") + file.systemMessage;
    };
    switch (file.status) {
    case Status::Read:
        break;
    case Status::CannotOpen:
        result.error = because(QStringLiteral("无法打开课文文件 ") + path);
        break;
    case Status::CannotInspect:
        result.error = because(QStringLiteral("无法读取课文文件 ") + path);
        break;
    case Status::NotRegular:
        result.error = QStringLiteral("课文文件不是普通文件：") + path;
        break;
    case Status::TooLarge:
        result.error =
            QStringLiteral("课文文件太大（超过 %1 MiB）：").arg(maxLessonFileSize / (1024 * 1024)) +
            path;
        break;
    case Status::ReadFailed:
        result.error = because(QStringLiteral("读取课文文件出错"));
        break;
    }
    return result;
}

} // namespace mulo
