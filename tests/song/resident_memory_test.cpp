#include "song/resident_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// What is already written stays, and the room reserved beyond it is present
// before anything is written there, to the partial page at its end.
TEST(ResidentMemory, ReservedRoomIsPresentAndTheContentsUnchanged) {
#ifndef __linux__
    GTEST_SKIP() << "pages are made present on Linux only";
#else
    std::vector<std::uint32_t> v(1000);
    std::iota(v.begin(), v.end(), 7u);
    reserveResident(v, 3'000'000);  // 12 MB, its own mapping, untouched beyond the first 4 kB
    std::vector<std::uint32_t> expected(1000);
    std::iota(expected.begin(), expected.end(), 7u);
    EXPECT_EQ(v, expected);

    const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(v.data()) & ~(page - 1);
    const std::uintptr_t last = (reinterpret_cast<std::uintptr_t>(v.data() + 3'000'000) + page - 1) & ~(page - 1);
    std::vector<unsigned char> present((last - first) / page);
    ASSERT_EQ(mincore(reinterpret_cast<void*>(first), last - first, present.data()), 0);
    EXPECT_EQ(std::count_if(present.begin(), present.end(), [](unsigned char p) { return (p & 1) == 0; }), 0);
#endif
}

}  // namespace
