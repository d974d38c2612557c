#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "drums/drum_inventory.h"
#include "song/song_data.h"

struct SplitResult {
    std::vector<Track> remaining;  // each input track without its drum-channel events
    Track tr4;                     // drum events routed to TR4, in walk order (not time order)
    Track tr5;
};

// The destinations of the note-ons still open, per (track index, note number),
// most recent last: a release takes the destination of the note-on it ends.
// Tracks are walked one after the other and never share a stack, so the map
// holds the stacks of the track being walked, indexed by note number.
struct PendingNoteMap {
    std::size_t trackIndex = 0;
    std::array<std::vector<DrumTarget>, 256> stacks;
};

// Takes every drum-channel event out of `tracks` and routes it by the note's
// destination in `assignments`: note-ons by their note, releases by the note-on
// they end, other drum-channel events (pressure, controllers...) to both tracks.
// Given a list it may take over (an rvalue), the split works in place and
// copies only the drum events; given one to leave alone, it copies each event
// once, into `remaining` or a drum track.
SplitResult splitDrumEvents(std::vector<Track>&& tracks, const AssignmentMap& assignments);
SplitResult splitDrumEvents(const std::vector<Track>& tracks, const AssignmentMap& assignments);

// The 0-based index of the TR4 track in a split output: 3, or 4 when the first
// track is a conductor track. TR5 follows it.
std::size_t drumTrackPosition(const std::vector<Track>& tracks);
