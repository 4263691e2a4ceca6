#pragma once

// The lesson file: one lesson per line, turned into numbered list entries.

#include "core/controls.h"
#include "core/errors.h"
#include "textencoding.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace mulo {

inline constexpr char lessonFileName[] = "test.txt";
// Larger files are refused without being read whole: a lesson file is a few kilobytes,
// and a link to an endless device must not stall start-up.
inline constexpr qint64 maxLessonFileSize = 16 * 1024 * 1024;

// Joins the program's directory and the file name with exactly one separator.
QString lessonFilePath(const QString& directory);

// "第" + number + "课：" + the line exactly as read.
QString lessonEntry(qint32 lineNumber, QStringView line);

struct LessonFile {
    QStringList entries;    // at most maxEntries, in file order
    qint32 lineCount = 0;   // lines read, blank lines included
    bool truncated = false; // more non-blank lines than maxEntries; the rest were ignored
};

// Reads the lesson file's bytes: UTF-16 or UTF-8 by a byte-order mark, otherwise UTF-8 or
// GBK as a whole where the file says which, line by line where it holds both (see
// textencoding.h). Lines end at CR LF, CR or LF; a terminator at the very end adds no empty
// line. Blank lines keep their number but give no entry. When the bytes stop
// short of the file's end (a failed read), endsMidLine drops the unfinished last line.
LessonFile parseLessonFile(QByteArrayView bytes, int maxEntries = ListOps::maxCount,
                           bool endsMidLine = false);

// Every line of a lesson file's bytes, blank ones included, decoded as parseLessonFile
// decodes them.
QStringList lessonLines(QByteArrayView bytes);

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
