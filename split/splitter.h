#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "drums/drum_inventory.h"
#include "song/song_data.h"

struct SplitResult {
    std::vector<Track> remaining;  // each input track without its drum-channel events
    Track tr4;                     // drum events routed to TR4, in walk order (not time order)
    Track tr5;
};

// (track index, note number) -> destinations of the note-ons still open there,
// most recent last. A release takes the destination of the note-on it ends.
using PendingNoteMap = std::map<std::pair<std::size_t, std::uint8_t>, std::vector<DrumTarget>>;

// Takes every drum-channel event out of `tracks` and routes it by the note's
// destination in `assignments`: note-ons by their note, releases by the note-on
// they end, other drum-channel events (pressure, controllers...) to both tracks.
SplitResult splitDrumEvents(const std::vector<Track>& tracks, const AssignmentMap& assignments);

// The 0-based index of the TR4 track in a split output: 3, or 4 when the first
// track is a conductor track. TR5 follows it.
std::size_t drumTrackPosition(const std::vector<Track>& tracks);
