#include "ProcessMemory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace process_memory {

void returnLargeBlocksWhenFreed() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
}

} // namespace process_memory
