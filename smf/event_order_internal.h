#pragma once

// The classes of the drum tracks' order, for the tests.

#include "smf/event_order.h"

// How an event sorts among others at the same tick: releases first, then note
// starts, then everything else. Only the high nibble of the status counts.
enum class EventClass : int {
    NoteOff = 0,  // 0x8n; 0x9n with velocity 0
    NoteOn = 1,   // 0x9n with a velocity, or with fewer than two data bytes
    Other = 2,    // 0xA0-0xFF
};

EventClass eventClass(const MidiEvent& event);
