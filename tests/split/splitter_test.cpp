#include <gtest/gtest.h>

#include "split/split_test_support.h"
#include "split/splitter.h"

namespace {

TEST(Splitter, NotesGoByTheirDestinationAndBothGoesTwice) {
    const AssignmentMap targets = {{36, TR4}, {38, TR5}, {42, BOTH}};
    const std::vector<Track> tracks = {
        {tempo(0), on(0, 60, 0)},
        {on(0, 36), on(0, 38), on(0, 42), off(10, 36), off(10, 38), off(10, 42), endOfTrack(10)},
    };
    const SplitResult split = splitDrumEvents(tracks, targets);
    EXPECT_EQ(split.remaining, (std::vector<Track>{{tempo(0), on(0, 60, 0)}, {endOfTrack(10)}}));
    EXPECT_EQ(split.tr4, Track({on(0, 36), on(0, 42), off(10, 36), off(10, 42)}));
    EXPECT_EQ(split.tr5, Track({on(0, 38), on(0, 42), off(10, 38), off(10, 42)}));
}

TEST(Splitter, OtherDrumChannelEventsGoToBothTracksWhateverTheirNote) {
    const AssignmentMap targets = {{36, TR5}};
    const MidiEvent volume = ev(0, 0xB9, {0x07, 0x64});
    const MidiEvent pressure = ev(1, 0xA9, {36, 0x40});
    const MidiEvent program = ev(2, 0xC9, {0x05});
    const MidiEvent bend = ev(3, 0xE9, {0x00, 0x40});
    const MidiEvent oneByteNoteOn = ev(4, 0x99, {36});
    const SplitResult split = splitDrumEvents({{volume, pressure, program, bend, oneByteNoteOn}}, targets);
    const Track everything = {volume, pressure, program, bend, oneByteNoteOn};
    EXPECT_EQ(split.tr4, everything);
    EXPECT_EQ(split.tr5, everything);
    EXPECT_EQ(split.remaining, std::vector<Track>(1));
}

TEST(Splitter, EventsOffTheDrumChannelNeverMove) {
    const MidiEvent sysex{0, 0xF0, {0x99, 0x24}, 2};
    const Track track = {sysex, on(0, 36, 8), ev(0, 0x9A, {36, 0x64}), meta(0, 0x01, {0x99}), ev(0, 0x99, {})};
    const SplitResult split = splitDrumEvents({track}, {});
    EXPECT_EQ(split.remaining, std::vector<Track>{track});
    EXPECT_TRUE(split.tr4.empty());
    EXPECT_TRUE(split.tr5.empty());
}

TEST(Splitter, ReleasesGoWhereTheirNoteGoes) {
    const MidiEvent zeroVelocity = ev(30, 0x99, {36, 0x00});
    // Nested note-ons of one note, released by a note-off and a velocity-0 note-on.
    {
        const SplitResult split = splitDrumEvents({{on(0, 36), on(10, 36), off(20, 36), zeroVelocity}}, {{36, TR5}});
        EXPECT_TRUE(split.tr4.empty());
        EXPECT_EQ(split.tr5.size(), 4u);
    }
    // A release before any note-on, and one more release than note-ons, take the note's destination.
    {
        const SplitResult split = splitDrumEvents({{off(0, 36), on(5, 36), off(6, 36), off(7, 36)}}, {{36, BOTH}});
        EXPECT_EQ(split.tr4.size(), 4u);
        EXPECT_EQ(split.tr5.size(), 4u);
    }
    // A note the inventory never saw goes to TR4.
    {
        const SplitResult split = splitDrumEvents({{on(0, 37), off(1, 37)}}, {{36, TR5}});
        EXPECT_EQ(split.tr4.size(), 2u);
        EXPECT_TRUE(split.tr5.empty());
    }
}

TEST(Splitter, DrumTracksHoldEventsInWalkOrder) {
    // Drum events of track 0, then those of track 1: the writer orders them later.
    const std::vector<Track> tracks = {{on(0, 36), off(50, 36)}, {on(5, 36), off(6, 36)}};
    const SplitResult split = splitDrumEvents(tracks, {{36, TR5}});
    EXPECT_EQ(split.tr5, Track({on(0, 36), off(50, 36), on(5, 36), off(6, 36)}));
    EXPECT_EQ(split.remaining, std::vector<Track>(2));
}

TEST(Splitter, LookupNeverInsertsIntoTheAssignments) {
    const AssignmentMap targets = {{36, TR5}};
    AssignmentMap copy = targets;
    splitDrumEvents({{on(0, 40), off(1, 40), on(2, 36)}}, copy);
    EXPECT_EQ(copy, targets);
}

TEST(Splitter, DrumTrackPosition) {
    EXPECT_EQ(drumTrackPosition({}), 3u);
    EXPECT_EQ(drumTrackPosition({{}}), 4u);
    EXPECT_EQ(drumTrackPosition({{tempo(0), meta(0, 0x58, {4, 2, 24, 8})}, {}}), 4u);
    EXPECT_EQ(drumTrackPosition({{tempo(0), MidiEvent{0, 0xF0, {0xF7}, 1}}}), 4u);
    EXPECT_EQ(drumTrackPosition({{tempo(0), on(0, 60, 0)}}), 3u);
    EXPECT_EQ(drumTrackPosition({{ev(0, 0xC0, {1})}}), 3u);
}

}  // namespace

namespace {

// A list the split may take over is split in place; one it must leave alone is
// copied. Both give the same result, and the list left alone is unchanged.
TEST(Splitter, InPlaceAndCopyingSplitsAgree) {
    std::uint32_t state = 99;
    auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    for (int round = 0; round < 20; ++round) {
        std::vector<Track> tracks(1 + next() % 5);
        for (Track& track : tracks) {
            for (std::uint32_t i = 0, n = next() % 40; i < n; ++i) {
                const std::uint8_t statuses[] = {0x99, 0x89, 0x90, 0xB9, 0xFF, 0xC9, 0x95};
                const std::uint8_t status = statuses[next() % 7];
                track.push_back(status == 0xC9 ? ev(i, status, {std::uint8_t(next() % 4)})
                                               : ev(i, status, {std::uint8_t(35 + next() % 4), std::uint8_t(next() % 2 * 100)}));
            }
        }
        const AssignmentMap targets = {{35, TR4}, {36, TR5}, {37, BOTH}};
        const std::vector<Track> before = tracks;
        const SplitResult copied = splitDrumEvents(tracks, targets);
        EXPECT_EQ(tracks, before);
        const SplitResult inPlace = splitDrumEvents(std::move(tracks), targets);
        EXPECT_EQ(copied.remaining, inPlace.remaining) << round;
        EXPECT_EQ(copied.tr4, inPlace.tr4) << round;
        EXPECT_EQ(copied.tr5, inPlace.tr5) << round;
    }
}

}  // namespace
