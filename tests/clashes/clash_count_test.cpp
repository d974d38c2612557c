#include <gtest/gtest.h>

#include "clashes/clash_count.h"
#include "split/split_test_support.h"

namespace {

MidiEvent hit(std::uint32_t tick, std::uint8_t note) { return ev(tick, 0x99, {note, 0x64}); }

TEST(ClashAnalysis, CountsDifferentNotesStartingTogetherInOneTrack) {
    // Track 1: 36 and 38 together at 0; 36, 38 and 42 together at 10; 36 alone at 20.
    // Track 2: 42 at 20, together with track 1's 36 once both stand in TR4.
    const std::vector<Track> tracks = {
        {hit(0, 36), hit(0, 38), hit(10, 36), hit(10, 38), hit(10, 42), hit(20, 36)},
        {hit(20, 42)},
    };
    const ClashReport report = analyseClashes(tracks, {{36, TR4}, {38, TR4}, {42, TR4}});
    EXPECT_EQ(report.tr4.ticks, 3u);
    EXPECT_EQ(report.tr4.largest, 3u);
    EXPECT_EQ(report.tr4.selfClashTicks, 0u);
    EXPECT_EQ(report.tr5.ticks, 0u);
    EXPECT_EQ(report.tr5.largest, 0u);

    // 38 moved to TR5: only the chords with 42 and 36 stay in TR4.
    const ClashReport moved = analyseClashes(tracks, {{36, TR4}, {38, TR5}, {42, TR4}});
    EXPECT_EQ(moved.tr4.ticks, 2u);
    EXPECT_EQ(moved.tr5.ticks, 0u);
    EXPECT_EQ(moved.tr5.largest, 1u);
}

TEST(ClashAnalysis, BothCountsInBothTracks) {
    const std::vector<Track> tracks = {{hit(0, 36), hit(0, 42), hit(5, 38), hit(5, 42)}};
    const ClashReport report = analyseClashes(tracks, {{36, TR4}, {38, TR5}, {42, BOTH}});
    EXPECT_EQ(report.tr4.ticks, 1u);
    EXPECT_EQ(report.tr5.ticks, 1u);
    EXPECT_EQ(clashingTicks(tracks, {{36, TR4}, {38, TR5}, {42, BOTH}}), 2u);
}

TEST(ClashAnalysis, OnlySoundingNoteOnsCount) {
    const std::vector<Track> tracks = {{
        hit(0, 36),
        off(0, 38),                    // a release
        ev(0, 0x99, {40, 0x00}),       // a release as a velocity-0 note-on
        ev(0, 0xA9, {42, 0x40}),       // pressure on another note
        ev(0, 0xB9, {0x07, 0x64}),     // a controller
        ev(0, 0x90, {44, 0x64}),       // a note on another channel
    }};
    const ClashReport report = analyseClashes(tracks, {{36, TR4}, {38, TR4}, {40, TR4}});
    EXPECT_EQ(report.tr4.ticks, 0u);
    EXPECT_EQ(report.tr4.largest, 1u);
}

TEST(ClashAnalysis, SameNoteStruckTwiceIsCountedApart) {
    // 36 in two source tracks at tick 0; at tick 10 also with 38.
    const std::vector<Track> tracks = {{hit(0, 36), hit(10, 36), hit(10, 38)}, {hit(0, 36), hit(10, 36)}};
    const ClashReport report = analyseClashes(tracks, {{36, TR4}, {38, TR4}});
    EXPECT_EQ(report.tr4.selfClashTicks, 2u);
    EXPECT_EQ(report.tr4.ticks, 1u);
    EXPECT_EQ(report.tr4.largest, 2u);
}

}  // namespace
