#pragma once

#include "song/song_data.h"

// Order of a drum track: by tick (unsigned), then releases before note starts
// before everything else (eventClass). Nothing else is a key: not the channel,
// the note, the source track.
bool eventOrderLess(const MidiEvent& a, const MidiEvent& b);

// Puts the events in the order of a stable sort by eventOrderLess, so events
// that tie keep the order in which they were collected (a bank select stays
// before its program change).
void orderEvents(EventRefs& events);
