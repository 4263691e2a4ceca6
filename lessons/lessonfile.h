#pragma once

// The lesson file: one lesson per line, turned into numbered list entries.

#include "core/errors.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace mulo {

inline constexpr char lessonFileName[] = "test.txt";
// Larger files are refused without being read whole: a lesson file is a few kilobytes,
// and a link to an endless device must not stall start-up.
inline constexpr qint64 maxLessonFileSize = 16 * 1024 * 1024;

enum class Encoding { Unmarked, Gbk, Utf8, Utf16LE, Utf16BE };

// Joins the program's directory and the file name with exactly one separator.
QString lessonFilePath(const QString& directory);

// "第" + number + "课：" + the line exactly as read.
QString lessonEntry(qint32 lineNumber, QStringView line);

// The encoding a byte-order mark gives the whole file (UTF-8, UTF-16 LE or BE), or Unmarked.
Encoding detectByteOrderMark(QByteArrayView bytes, qsizetype* bomLength = nullptr);

// One line of a file without a byte-order mark, decoded. A file edited with two tools (a GBK
// file with lines added by a Linux editor, or the reverse) mixes encodings, so each line is
// decided alone: a line that is not valid UTF-8 is GBK; a valid UTF-8 line with multi-byte
// sequences is UTF-8, unless its GBK reading has more of the common characters (GB2312's
// first level) than its UTF-8 reading.
QString decodeUnmarkedLine(QByteArrayView line);

// Whether c is one of the 3755 common characters of GB2312's first level.
bool isCommonCharacter(QChar c);

// GBK (code page 936) to UTF-16. Bytes that do not form a GBK character become U+FFFD.
QString decodeGbk(QByteArrayView bytes);

struct LessonFile {
    QStringList entries;    // at most maxEntries, in file order
    qint32 lineCount = 0;   // lines read, blank lines included
    bool truncated = false; // more non-blank lines than maxEntries; the rest were ignored
};

// Reads the lesson file's bytes. Lines end at CR LF, CR or LF; a terminator at the very end
// adds no empty line. Blank lines keep their number but give no entry. When the bytes stop
// short of the file's end (a failed read), endsMidLine drops the unfinished last line.
LessonFile parseLessonFile(QByteArrayView bytes, int maxEntries = 32767, bool endsMidLine = false);

// What could be read of a file: its bytes, and why reading stopped before its end.
struct FileBytes {
    QByteArray bytes;
    QString error; // empty when the whole file was read
};

// Reads a regular file of at most maxLessonFileSize bytes. It never throws: anything else
// (missing, a directory, a FIFO, a device, too large) gives the error and no bytes, before
// any byte is read; a read that fails part-way gives the bytes before the failure and the
// error.
FileBytes readLessonFileBytes(const QString& path);

} // namespace mulo
