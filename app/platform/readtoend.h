#pragma once

// Reading a regular file to its end, shared by the platforms' readRegularFile.

#include "core/platform.h"

#include <algorithm>

namespace mulo::platform {

// Reads with a buffer sized for the file as it was found, one byte more so that its end is
// seen, and grows it should the file grow meanwhile; past limit the bytes are dropped and
// the file is TooLarge. readSome(into, most) gives the bytes it read, 0 at the end, or -1 on
// a failure (whose message the caller takes from the system).
template <typename ReadSome>
RegularFile::Status readToEnd(QByteArray& bytes, qint64 size, qint64 limit, ReadSome readSome)
{
    bytes.resize(qsizetype(size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > limit) {
                bytes.clear();
                return RegularFile::Status::TooLarge;
            }
            bytes.resize(std::min<qsizetype>(filled * 2 + 4096, limit + 1));
        }
        const qint64 got = readSome(bytes.data() + filled, bytes.size() - filled);
        if (got == 0)
            break;
        if (got < 0) {
            bytes.truncate(filled);
            return RegularFile::Status::ReadFailed;
        }
        filled += got;
    }
    bytes.truncate(filled);
    return RegularFile::Status::Read;
}

} // namespace mulo::platform
