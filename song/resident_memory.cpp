#include "song/resident_memory.h"

#include <cstdint>

#ifndef _WIN32
#include <sys/mman.h>
#include <unistd.h>
#endif

void makeResident(void* data, std::size_t bytes) noexcept {
#ifdef MADV_POPULATE_WRITE
    if (bytes < (std::size_t{64} << 10)) {
        return;
    }
    // Every page that the room touches, the partial ones at its ends too: the
    // call changes no byte, so data of its own that a page shares comes to no
    // harm, and room made present a step at a time leaves no page between.
    const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(data) & ~(page - 1);
    const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(data) + bytes + page - 1) & ~(page - 1);
    // Where this fails (a kernel older than 5.14), the pages come one fault at a time, as they would anyway.
    madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}
