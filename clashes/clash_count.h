#pragma once

// Drum hits that start together in one drum track. The converter the outputs
// are made for plays a track one note at a time, so of two notes that start on
// the same tick in TR4 (or in TR5) one is lost: a clash. This unit counts them.

#include <array>
#include <cstddef>
#include <cstdint>
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

// Different drum notes that start on one tick, and how many ticks have exactly
// these notes starting together. Where the notes start does not depend on the
// destinations, so the chords are found once per song and every count and
// search afterwards works from them alone.
struct DrumChord {
    std::vector<std::uint8_t> notes;  // ascending, two or more, each once
    std::size_t ticks = 0;

    bool operator==(const DrumChord&) const = default;
};

// The chords of `tracks`, each set of notes once, in ascending order of notes.
// A note struck twice on a tick counts once there: no destination can part it
// from itself.
std::vector<DrumChord> findChords(const std::vector<Track>& tracks);

// What the whole clash report needs of a song, found once: its chords, the
// notes struck twice on a tick, which clash with themselves, and every note
// that starts somewhere.
struct DrumTicks {
    std::vector<DrumChord> chords;   // as findChords gives them
    std::vector<DrumChord> repeats;  // listed as the chords are: the notes (one or more) that start again on a tick
    std::array<bool, 256> struck{};  // the notes that start on some tick
};

DrumTicks findDrumTicks(const std::vector<Track>& tracks);

// The clashes of the two drum tracks that the split saves give with
// `assignments` as the destinations (TR4 for a note it lacks). Only sounding
// note-ons count (not releases, not other drum-channel events); a note set to
// BOTH counts in both tracks.
ClashReport reportClashes(const DrumTicks& drumTicks, const AssignmentMap& assignments);

struct ClashCounts {
    // Per note number: the ticks at which it starts together with a different
    // note of its drum track; for a note on BOTH, those of TR4 and TR5 added.
    std::array<std::size_t, 256> perNote{};
    std::size_t tr4 = 0;  // clashing ticks of each drum track
    std::size_t tr5 = 0;
    std::size_t largestTr4 = 0;  // the most different notes of each drum track in one chord
    std::size_t largestTr5 = 0;
};

// The clashes that `assignments` gives; a note that it lacks goes to TR4, as
// in the split.
ClashCounts countClashes(const std::vector<DrumChord>& chords, const AssignmentMap& assignments);
