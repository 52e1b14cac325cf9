#include "system/memory.h"

#include <cstdlib> // defines __GLIBC__ on the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kt::system {

void keepFreedMemory() {
#if defined(__GLIBC__)
    // Large blocks would otherwise be mapped on their own and unmapped when freed; the largest
    // threshold the allocator accepts (32 MB) is below what a long paragraph's layout asks for,
    // so every block comes from the heap, which keeps what is freed up to the trim threshold.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}

} // namespace kt::system
