// The platform layer on Windows.

#include "readtoend.h"

#include <QDir>
#include <algorithm>
#include <windows.h>

namespace mulo::platform {

namespace {

QString systemMessage(DWORD error = GetLastError())
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = length ? QString::fromWCharArray(text, length).trimmed()
                             : QStringLiteral("error %1").arg(error);
    LocalFree(text);
    return message;
}

std::wstring nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

} // namespace

RegularFile readRegularFile(const QString& path, qint64 limit)
{
    RegularFile result;
    const auto fail = [&](RegularFile::Status status) {
        result.systemMessage = systemMessage();
        result.status = status;
        return result;
    };
    // Shared every way, so that an editor holding the file open does not stop the drill.
    // A directory does not open without backup semantics; a pipe or a device opens, and is
    // told apart by its type before anything is read from it.
    const HANDLE file = CreateFileW(nativePath(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesW(nativePath(path).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            result.status = RegularFile::Status::NotRegular;
            return result;
        }
        SetLastError(error);
        return fail(RegularFile::Status::CannotOpen);
    }
    struct Closer {
        HANDLE file;
        ~Closer() { CloseHandle(file); }
    } closer{file};

    if (GetFileType(file) != FILE_TYPE_DISK) {
        result.status = RegularFile::Status::NotRegular;
        return result;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size))
        return fail(RegularFile::Status::CannotInspect);
    if (size.QuadPart > limit) {
        result.status = RegularFile::Status::TooLarge;
        return result;
    }

    result.status =
        readToEnd(result.bytes, size.QuadPart, limit, [file](char* into, qsizetype most) {
            DWORD got = 0;
            if (!ReadFile(file, into, DWORD(std::min<qsizetype>(most, 1 << 30)), &got, nullptr))
                return qint64(-1);
            return qint64(got);
        });
    if (result.status == RegularFile::Status::ReadFailed)
        result.systemMessage = systemMessage();
    return result;
}

void releaseReadOnlyPages(const char* begin, const char* end) noexcept
{
    // Unlocking pages that were never locked takes them out of the working set; they stay
    // in the standby list, so touching them again costs no reading.
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const std::uintptr_t page = info.dwPageSize;
    const std::uintptr_t first = (std::uintptr_t(begin) + page - 1) & ~(page - 1);
    const std::uintptr_t last = std::uintptr_t(end) & ~(page - 1);
    if (last > first)
        VirtualUnlock(reinterpret_cast<void*>(first), last - first);
}

QByteArray nameForLibraries(const QString& path)
{
    // A C library opens files by names in the system's ANSI code page, where a user folder
    // such as C:\Users\张三 may have no spelling: the short (8.3) name is plain ASCII, and
    // has no "+" either, which some libraries cut a name at.
    const std::wstring wide = nativePath(path);
    if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES)
        return {};
    const DWORD length = GetShortPathNameW(wide.c_str(), nullptr, 0);
    std::wstring shortPath(length, L'\0');
    if (length && GetShortPathNameW(wide.c_str(), shortPath.data(), length) + 1 == length) {
        shortPath.resize(length - 1);
        const QString name = QString::fromStdWString(shortPath);
        if (std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x80; }))
            return name.toLatin1();
    }
    // No short names on this volume: the long name, as well as the code page spells it.
    return QDir::toNativeSeparators(path).toLocal8Bit();
}

QString programDirectory()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const QString program = QDir::fromNativeSeparators(QString::fromStdWString(path));
    return program.left(program.lastIndexOf(u'/'));
}

} // namespace mulo::platform
