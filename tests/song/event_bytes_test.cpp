#include <gtest/gtest.h>

#include <utility>

#include "song/event_bytes.h"
#include "support/smf_bytes.h"

namespace {

Bytes bytesOf(const EventBytes& e) { return Bytes(e.begin(), e.end()); }

// Contents in place (up to six bytes), just past it, and on the heap, within
// the first room there and past it; each with a declared length of its own.
TEST(EventBytes, KeepsItsBytesAndLengthInPlaceAndOnTheHeap) {
    const struct {
        const char* name;
        Bytes bytes;
        std::uint32_t length;
    } cases[] = {
        {"Empty", {}, 0},
        {"EmptyWithALength", {}, 0x4D},
        {"NoteOn", {0x24, 0x64}, 0},
        {"SixInPlace", {1, 2, 3, 4, 5, 6}, 5},
        {"SevenOnTheHeap", {1, 2, 3, 4, 5, 6, 7}, 7},
        {"SeventeenPastTheFirstRoom", Bytes(17, 0xAB), 0xFFFFFFFF},
        {"AThousand", Bytes(1000, 0x7F), 1000},
    };
    for (const auto& c : cases) {
        const EventBytes whole(c.bytes.data(), c.bytes.data() + c.bytes.size(), c.length);
        EXPECT_EQ(whole.size(), c.bytes.size()) << c.name;
        EXPECT_EQ(bytesOf(whole), c.bytes) << c.name;
        EXPECT_EQ(whole.length(), c.length) << c.name;

        // Grown a byte at a time, through every move from place to heap and every room on it.
        EventBytes grown({}, c.length);
        for (const std::uint8_t b : c.bytes) {
            grown.push_back(b);
        }
        EXPECT_EQ(grown, whole) << c.name;

        // A copy is equal and its own: changing it leaves the original alone.
        EventBytes copy = whole;
        EXPECT_EQ(copy, whole) << c.name;
        copy.push_back(0x99);
        copy.setLength(c.length + 1);
        EXPECT_EQ(bytesOf(whole), c.bytes) << c.name;
        EXPECT_EQ(whole.length(), c.length) << c.name;
        copy = whole;
        EXPECT_EQ(copy, whole) << c.name;

        // A move takes everything and leaves an empty source.
        EventBytes moved = std::move(copy);
        EXPECT_EQ(moved, whole) << c.name;
        EXPECT_TRUE(copy.empty()) << c.name;
        copy = std::move(moved);
        EXPECT_EQ(copy, whole) << c.name;
        const EventBytes& same = copy;
        copy = same;
        EXPECT_EQ(copy, whole) << c.name;
    }
}

TEST(EventBytes, EqualOnlyWithTheSameBytesAndLength) {
    const EventBytes meta({0x03, 'A', 'B'}, 2);
    EXPECT_EQ(meta, EventBytes({0x03, 'A', 'B'}, 2));
    EXPECT_NE(meta, EventBytes({0x03, 'A', 'B'}, 10));
    EXPECT_NE(meta, EventBytes({0x03, 'A', 'C'}, 2));
    EXPECT_NE(meta, EventBytes({0x03, 'A'}, 2));
    const Bytes text(40, 'x');
    EXPECT_NE(EventBytes(text, 40), EventBytes(text, 41));
}

}  // namespace
