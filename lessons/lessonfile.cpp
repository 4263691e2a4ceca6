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
    case Encoding::Unmarked: // a file edited with two tools can hold lines of both encodings
        lineByLine(decodeUnmarkedLine);
        break;
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
    const QString tooLarge =
        QStringLiteral("课文文件太大（超过 %1 MiB）：").arg(maxLessonFileSize / (1024 * 1024));
    if (info.st_size > maxLessonFileSize)
        return refuse(tooLarge);

    // The file may grow while it is read; the limit holds all the same.
    result.bytes.resize(qsizetype(info.st_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == result.bytes.size()) {
            if (filled > maxLessonFileSize) {
                result.bytes.clear();
                return refuse(tooLarge);
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
