#include <gtest/gtest.h>

#include "split/format1.h"
#include "split/split_test_support.h"

namespace {

TEST(ConvertToFormat1, SeveralTracksAreCopiedAsTheyAre) {
    const std::vector<Track> tracks = {{tempo(0)}, {on(0, 36, 0)}, {}};
    EXPECT_EQ(eventsOf(convertToFormat1(tracks)), tracks);
    const std::vector<Track> none;
    EXPECT_TRUE(convertToFormat1(none).empty());
}

TEST(ConvertToFormat1, SingleTrackIsSplitByChannel) {
    const MidiEvent sysex{5, 0xF0, {0x7E, 0xF7}, 2};
    const Track single = {tempo(0), on(0, 60, 0), on(0, 36, 9), sysex, on(1, 62, 1), off(2, 60, 0),
                          off(2, 36, 9), endOfTrack(3)};
    const std::vector<Track> expected = {
        {tempo(0), sysex, endOfTrack(3)},  // meta and system events keep their order
        {on(0, 60, 0), off(2, 60, 0)},
        {on(1, 62, 1)},
        {on(0, 36, 9), off(2, 36, 9)},
    };
    const std::vector<Track> loaded = {single};
    EXPECT_EQ(eventsOf(convertToFormat1(loaded)), expected);
}

TEST(ConvertToFormat1, MetaTrackIsKeptEvenWhenEmpty) {
    const std::vector<Track> channel16 = {{on(0, 60, 15)}}, metaOnly = {{tempo(0)}}, empty = {{}};
    EXPECT_EQ(eventsOf(convertToFormat1(channel16)), (std::vector<Track>{{}, {on(0, 60, 15)}}));
    EXPECT_EQ(eventsOf(convertToFormat1(metaOnly)), (std::vector<Track>{{tempo(0)}}));
    EXPECT_EQ(eventsOf(convertToFormat1(empty)), (std::vector<Track>{{}}));
}

}  // namespace
