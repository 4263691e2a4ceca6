// The platform layer on Linux and other POSIX systems.

#include "readtoend.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mulo::platform {

namespace {

QString systemMessage()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

RegularFile readRegularFile(const QString& path, qint64 limit)
{
    RegularFile result;
    const auto fail = [&](RegularFile::Status status) {
        result.status = status;
        result.systemMessage = systemMessage();
        return result;
    };
    // Non-blocking, so that a FIFO in the file's place cannot stall the caller.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(RegularFile::Status::CannotOpen);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return fail(RegularFile::Status::CannotInspect);
    if (!S_ISREG(info.st_mode)) {
        result.status = RegularFile::Status::NotRegular;
        return result;
    }
    if (info.st_size > limit) {
        result.status = RegularFile::Status::TooLarge;
        return result;
    }

    result.status = readToEnd(result.bytes, info.st_size, limit, [fd](char* into, qsizetype most) {
        for (;;) {
            const ssize_t got = ::read(fd, into, std::size_t(most));
            if (got >= 0 || errno != EINTR)
                return qint64(got);
        }
    });
    if (result.status == RegularFile::Status::ReadFailed)
        result.systemMessage = systemMessage();
    return result;
}

void releaseReadOnlyPages(const char* begin, const char* end) noexcept
{
    // Only whole pages: the neighbours in the read-only data are left alone. The pages stay
    // in the page cache, so touching them again costs no reading.
    static const std::uintptr_t page = std::uintptr_t(::sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = (std::uintptr_t(begin) + page - 1) & ~(page - 1);
    const std::uintptr_t last = std::uintptr_t(end) & ~(page - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

QByteArray nameForLibraries(const QString& path)
{
    // Through a descriptor this process keeps open: some libraries change the name they are
    // given (lower-case it, cut it at a "+"), which no byte of this one minds.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    return "/proc/self/fd/" + QByteArray::number(fd);
}

QString programDirectory()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

} // namespace mulo::platform
