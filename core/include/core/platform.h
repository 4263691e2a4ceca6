#pragma once

// What the modules need of the operating system beyond Qt. Each platform has one source
// file of its own in app/platform/, chosen by the build; nothing else calls the system.

#include <QByteArray>
#include <QString>

namespace mulo::platform {

struct RegularFile {
    enum class Status { Read, CannotOpen, CannotInspect, NotRegular, TooLarge, ReadFailed };
    Status status = Status::Read;
    QByteArray bytes;      // all of it when Read; what came before the failure when ReadFailed
    QString systemMessage; // the system's words for CannotOpen, CannotInspect and ReadFailed
};

// Reads a regular file of at most limit bytes. Anything else in its place (a directory, a
// pipe, a device) is refused before a byte is read, and never blocks the caller. The file
// may grow while it is read; the limit holds all the same.
RegularFile readRegularFile(const QString& path, qint64 limit);

// Lets the system drop the pages lying wholly inside [begin, end) of the program's own
// read-only data: they are read in again from the program's file when next touched.
void releaseReadOnlyPages(const char* begin, const char* end) noexcept;

// A name by which a C library's fopen() opens the file at path for as long as the program
// runs, whatever characters the path holds; empty when the file cannot be opened.
QByteArray nameForLibraries(const QString& path);

// The folder the running program's file is in, known before any Qt object exists.
QString programDirectory();

} // namespace mulo::platform
