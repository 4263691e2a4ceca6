#pragma once

// Bytes the program holds from the allocator, for checks that repeated work does not grow.

#include <cstddef>
#include <malloc.h>

namespace mulo::test {

inline std::size_t heapInUse()
{
#if defined(_WIN32)
    std::size_t used = 0;
    _HEAPINFO entry{};
    while (_heapwalk(&entry) == _HEAPOK) {
        if (entry._useflag == _USEDENTRY)
            used += entry._size;
    }
    return used;
#else
    return mallinfo2().uordblks;
#endif
}

// Runs the work twice, n times each, and returns how much more the heap holds after the
// second round than after the first: the first round warms up caches, the second must
// not grow.
template <typename Work> long long heapGrowth(int n, Work work)
{
    for (int i = 0; i < n; ++i)
        work(i);
    const std::size_t warm = heapInUse();
    for (int i = 0; i < n; ++i)
        work(n + i);
    return static_cast<long long>(heapInUse()) - static_cast<long long>(warm);
}

} // namespace mulo::test
