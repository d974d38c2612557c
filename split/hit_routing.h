#pragma once

// Each hit of a note on AUTO goes to TR4 or TR5 on its own. Two one-note drum
// tracks cannot part three notes that strike in every pair (kick, snare and
// hi-hat do), whichever track each whole note takes; hit by hit they can, down
// to what no choice of tracks avoids. The notes on TR4, TR5 and BOTH stay where
// they are and the routing works around them.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "drums/drum_inventory.h"
#include "song/song_data.h"

// Where the drum notes start, tick by tick, in time order: each tick at which
// some drum note starts, and the different notes that start there.
struct DrumTimeline {
    std::vector<std::uint32_t> ticks;  // ascending
    std::vector<std::uint32_t> first;  // tick i's notes: notes[first[i], first[i + 1]); one entry more than ticks
    std::vector<std::uint8_t> notes;   // ascending within a tick
    std::vector<bool> again;           // by entry of notes: the note starts more than once on that tick
};

// Every drum hit (isDrumHit) of `tracks` as tick << 8 | note, in that order.
std::vector<std::uint64_t> sortedDrumHits(const std::vector<Track>& tracks);

// The timeline of hits sorted as sortedDrumHits sorts them.
DrumTimeline drumTimeline(const std::vector<std::uint64_t>& sortedHits);

// How close two hits of different notes in one drum track may start before the
// first is cut short by the second: less than 1/perQuarter of a quarter note,
// or less than `ticks` ticks when that is not 0. A perQuarter of 0 counts none.
struct NearWindow {
    std::uint32_t perQuarter = 32;
    std::uint32_t ticks = 0;

    bool operator==(const NearWindow&) const = default;
};

extern NearWindow nearWindow;  // the user's choice, for the counts and the routing

// Hits of different notes fewer than this many ticks apart are near; 0 for
// none. A file timed in SMPTE frames (division with bit 15 set) has no quarter
// notes to count in.
std::uint32_t nearWindowTicks(const NearWindow& window, std::uint16_t division);

// Which note survives at a tick where a drum track can play only some: the
// lower the rank the more it matters to the groove. Kick, snares, crash
// cymbals, toms, ride, open hi-hat, closed and pedal hi-hat, the rest of the
// General MIDI percussion, anything else; ties go to the lower note number.
int survivalRank(std::uint8_t note);

struct HitRouting {
    std::vector<std::uint8_t> tr5;  // by entry of the timeline's notes: 1 where a note on AUTO goes to TR5 there
    std::size_t switches = 0;       // hits of notes on AUTO on another drum track than the note's hit before
    bool exact = true;              // false when the search left out a routing that might have been better
};

// The routing of every hit of the notes on AUTO in `assignments`. At each tick
// it leaves the fewest clashes that any routing can, and of those the most
// notes heard (a note alone in a drum track is heard; of several that start
// together, one); at a tick of three or more such notes the one of lowest
// survivalRank is the one alone. Among such routings it looks for the fewest
// hits cut short by a near hit (`nearTicks`, see nearWindowTicks), then the
// fewest switches, in a beam search over the ticks in time order. The same
// input gives the same routing on every machine. Empty when no note is on AUTO.
HitRouting routeHits(const DrumTimeline& timeline, const AssignmentMap& assignments, std::uint32_t nearTicks);
