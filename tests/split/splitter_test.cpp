#include <gtest/gtest.h>

#include <bitset>

#include "split/split_test_support.h"
#include "split/splitter.h"

namespace {

// What each track keeps: the events the split does not take.
std::vector<Track> kept(const std::vector<Track>& tracks) {
    std::vector<Track> result;
    for (const Track& track : tracks) {
        result.emplace_back();
        for (const MidiEvent& e : track) {
            if (!isDrumChannelEvent(e)) {
                result.back().push_back(e);
            }
        }
    }
    return result;
}

// The events that go to a drum track, in walk order: its notes' note-ons and
// releases, and every other drum-channel event.
Track drumTrack(const SplitResult& split, DrumTarget target) {
    const std::bitset<256>& notes = target == TR4 ? split.tr4Notes : split.tr5Notes;
    Track events;
    for (const MidiEvent* e : split.drums) {
        if (!isNoteEvent(*e) || notes[e->data[0]]) {
            events.push_back(*e);
        }
    }
    return events;
}

TEST(Splitter, NotesGoByTheirDestinationAndBothGoesTwice) {
    const AssignmentMap targets = {{36, TR4}, {38, TR5}, {42, BOTH}};
    const std::vector<Track> tracks = {
        {tempo(0), on(0, 60, 0)},
        {on(0, 36), on(0, 38), on(0, 42), off(10, 36), off(10, 38), off(10, 42), endOfTrack(10)},
    };
    const SplitResult split = splitDrumEvents(tracks, targets);
    EXPECT_EQ(kept(tracks), (std::vector<Track>{{tempo(0), on(0, 60, 0)}, {endOfTrack(10)}}));
    EXPECT_EQ(drumTrack(split, TR4), Track({on(0, 36), on(0, 42), off(10, 36), off(10, 42)}));
    EXPECT_EQ(drumTrack(split, TR5), Track({on(0, 38), on(0, 42), off(10, 38), off(10, 42)}));
}

TEST(Splitter, OtherDrumChannelEventsGoToBothTracksWhateverTheirNote) {
    const AssignmentMap targets = {{36, TR5}};
    const MidiEvent volume = ev(0, 0xB9, {0x07, 0x64});
    const MidiEvent pressure = ev(1, 0xA9, {36, 0x40});
    const MidiEvent program = ev(2, 0xC9, {0x05});
    const MidiEvent bend = ev(3, 0xE9, {0x00, 0x40});
    const MidiEvent oneByteNoteOn = ev(4, 0x99, {36});
    const std::vector<Track> tracks = {{volume, pressure, program, bend, oneByteNoteOn}};
    const SplitResult split = splitDrumEvents(tracks, targets);
    EXPECT_EQ(drumTrack(split, TR4), tracks[0]);
    EXPECT_EQ(drumTrack(split, TR5), tracks[0]);
    EXPECT_EQ(kept(tracks), std::vector<Track>(1));
}

TEST(Splitter, EventsOffTheDrumChannelNeverMove) {
    const MidiEvent sysex{0, 0xF0, {0x99, 0x24}, 2};
    const Track track = {sysex, on(0, 36, 8), ev(0, 0x9A, {36, 0x64}), meta(0, 0x01, {0x99}), ev(0, 0x99, {})};
    const std::vector<Track> tracks = {track};
    const SplitResult split = splitDrumEvents(tracks, {});
    EXPECT_EQ(kept(tracks), tracks);
    EXPECT_TRUE(drumTrack(split, TR4).empty());
    EXPECT_TRUE(drumTrack(split, TR5).empty());
}

TEST(Splitter, ReleasesGoWhereTheirNoteGoes) {
    const MidiEvent zeroVelocity = ev(30, 0x99, {36, 0x00});
    // Nested note-ons of one note, released by a note-off and a velocity-0 note-on.
    {
        const std::vector<Track> nested = {{on(0, 36), on(10, 36), off(20, 36), zeroVelocity}};
        const SplitResult split = splitDrumEvents(nested, {{36, TR5}});
        EXPECT_TRUE(drumTrack(split, TR4).empty());
        EXPECT_EQ(drumTrack(split, TR5).size(), 4u);
    }
    // A release before any note-on, and one more release than note-ons, take the note's destination.
    {
        const std::vector<Track> unmatched = {{off(0, 36), on(5, 36), off(6, 36), off(7, 36)}};
        const SplitResult split = splitDrumEvents(unmatched, {{36, BOTH}});
        EXPECT_EQ(drumTrack(split, TR4).size(), 4u);
        EXPECT_EQ(drumTrack(split, TR5).size(), 4u);
    }
    // A note the inventory never saw goes to TR4.
    {
        const std::vector<Track> unknown = {{on(0, 37), off(1, 37)}};
        const SplitResult split = splitDrumEvents(unknown, {{36, TR5}});
        EXPECT_EQ(drumTrack(split, TR4).size(), 2u);
        EXPECT_TRUE(drumTrack(split, TR5).empty());
    }
}

TEST(Splitter, DrumTracksHoldEventsInWalkOrder) {
    // Drum events of track 0, then those of track 1: the writer orders them later.
    const std::vector<Track> tracks = {{on(0, 36), off(50, 36)}, {on(5, 36), off(6, 36)}};
    const SplitResult split = splitDrumEvents(tracks, {{36, TR5}});
    EXPECT_EQ(drumTrack(split, TR5), Track({on(0, 36), off(50, 36), on(5, 36), off(6, 36)}));
    EXPECT_EQ(kept(tracks), std::vector<Track>(2));
}

TEST(Splitter, LookupNeverInsertsIntoTheAssignments) {
    const AssignmentMap targets = {{36, TR5}};
    AssignmentMap copy = targets;
    const std::vector<Track> tracks = {{on(0, 40), off(1, 40), on(2, 36)}};
    splitDrumEvents(tracks, copy);
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
