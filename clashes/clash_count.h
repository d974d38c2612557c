#pragma once

// Drum hits that start together in one drum track. The converter the outputs
// are made for plays a track one note at a time, so of two notes that start on
// the same tick in TR4 (or in TR5) one is lost: a clash. This unit counts them.

#include <cstddef>
#include <vector>

#include "drums/drum_inventory.h"
#include "song/song_data.h"

struct TrackClashes {
    std::size_t ticks = 0;           // ticks at which two or more different notes start
    std::size_t largest = 0;         // the most different notes that start at one tick
    std::size_t selfClashTicks = 0;  // ticks at which one note starts more than once
};

struct ClashReport {
    TrackClashes tr4;
    TrackClashes tr5;
};

// Runs the same format-1 conversion and split as the split saves, with
// `assignments` as the destinations, and counts the clashes of the two drum
// tracks. Only sounding note-ons count (not releases, not other drum-channel
// events); a note set to BOTH counts in both tracks.
ClashReport analyseClashes(const std::vector<Track>& tracks, const AssignmentMap& assignments);

// The clashing ticks, summed over both drum tracks, that `assignments` gives.
std::size_t clashingTicks(const std::vector<Track>& tracks, const AssignmentMap& assignments);

// A drum note that starts sounding: what can clash.
inline bool isDrumHit(const MidiEvent& e) { return isDrumChannel(e.status) && isNoteStart(e); }
