#pragma once

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

// Puts the events in the order of a stable sort by eventOrderLess, so events
// that tie keep the order in which they were collected (a bank select stays
// before its program change).
void orderEvents(EventRefs& events);
