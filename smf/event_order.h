#pragma once

#include <cstdint>
#include <vector>

#include "song/song_data.h"

// How an event sorts among others at the same tick: releases first, then note
// starts, then everything else. Only the high nibble of the status counts.
enum class EventClass : int {
    NoteOff = 0,  // 0x8n; 0x9n with velocity 0
    NoteOn = 1,   // 0x9n with a velocity, or with fewer than two data bytes
    Other = 2,    // 0xA0-0xFF
};

EventClass eventClass(const MidiEvent& event);

// Order of a drum track: by tick (unsigned), then by EventClass. Nothing else
// is a key: not the channel, the note, the source track.
bool eventOrderLess(const MidiEvent& a, const MidiEvent& b);

// The positions of the track's events in the order of a stable sort by
// eventOrderLess, without moving the events.
std::vector<std::uint32_t> orderedPositions(const Track& track);

// Sorts the track by eventOrderLess. Stable, so events that tie keep the order
// in which they were collected (a bank select stays before its program change).
void orderTrackEvents(Track& track);
