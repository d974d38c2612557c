#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "drums/drum_inventory.h"
#include "song/song_data.h"

// The drum events of a song, by reference, and where they go. The TR4 track
// holds the drum events that go to TR4, the TR5 track those that go to TR5;
// every track keeps the events the split does not take.
struct SplitResult {
    EventRefs drums;                           // every event taken, in walk order
    std::array<DrumTarget, 256> destinations;  // by note number; TR4 where the assignments have none
};

// Whether the split takes the event out of its track: every drum-channel event
// with a data byte (a note number, or a controller's, for instance).
bool isTakenBySplit(const MidiEvent& event);

// Whether a taken event goes to `drumTrack`, TR4 or TR5: a note-on by its
// note's destination, a release by the destination of the note-on it ends
// (which during one split is its note's as well), any other drum-channel event
// (pressure, controllers...) to both.
bool goesTo(const MidiEvent& event, DrumTarget drumTrack, const SplitResult& split);

// Takes every drum-channel event out of `tracks`, to be routed by `assignments`
// (the map is only read). Given the loaded tracks, it splits their format-1
// form as well: a single track's drum events all stand in one track of that
// form, its channel-10 track. The result refers to the tracks' events, so the
// tracks must outlive it.
SplitResult splitDrumEvents(const std::vector<Track>& tracks, const AssignmentMap& assignments);
SplitResult splitDrumEvents(std::vector<Track>&& tracks, const AssignmentMap& assignments) = delete;

// The 0-based index of the TR4 track in a split output, from the format-1 form
// of the song: 3, or 4 when its first track is a conductor track. TR5 follows it.
std::size_t drumTrackPosition(const std::vector<Track>& tracks);
