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
#include "split/hit_routing.h"

struct TrackClashes {
    std::size_t ticks = 0;           // ticks at which two or more different notes start
    std::size_t largest = 0;         // the most different notes that start at one tick
    std::size_t selfClashTicks = 0;  // ticks at which one note starts more than once
    std::size_t cutShort = 0;           // ticks whose hits a different note cuts short (nearWindowTicks)
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
    DrumTimeline timeline;           // every tick's notes, in time order
};

DrumTicks findDrumTicks(const std::vector<Track>& tracks);

// The clashes of the two drum tracks that the split saves give with
// `assignments` as the destinations (TR4 for a note it lacks) and `routing`
// for the hits of the notes on AUTO. Only sounding note-ons count (not
// releases, not other drum-channel events); a note set to BOTH counts in both
// tracks. Near clashes count within `nearTicks` (nearWindowTicks).
ClashReport reportClashes(const DrumTicks& drumTicks, const AssignmentMap& assignments,
                          const HitRouting& routing = {}, std::uint32_t nearTicks = 0);

struct ClashCounts {
    // Per note number: the ticks at which it starts together with a different
    // note of its drum track; for a note on BOTH, those of TR4 and TR5 added.
    std::array<std::size_t, 256> perNote{};
    std::size_t tr4 = 0;  // clashing ticks of each drum track
    std::size_t tr5 = 0;
    std::size_t largestTr4 = 0;  // the most different notes of each drum track in one chord
    std::size_t largestTr5 = 0;
    // Near clashes: ticks at which a hit is cut short by a different note
    // starting in its drum track less than the near window after it, per note
    // (both tracks added) and per track. Only the count of the timeline gives them.
    std::array<std::size_t, 256> perNoteNear{};
    std::size_t nearTr4 = 0;
    std::size_t nearTr5 = 0;
    // The hits of each note on AUTO that went to each drum track.
    std::array<std::size_t, 256> routedTr4{};
    std::array<std::size_t, 256> routedTr5{};
};

// The clashes that `assignments` gives; a note that it lacks goes to TR4, as
// in the split. Whole notes only: a note on AUTO counts in neither track.
ClashCounts countClashes(const std::vector<DrumChord>& chords, const AssignmentMap& assignments);

// One clash, where it is: the notes that start together in a drum track, or,
// for a near clash, the notes whose hits are cut short there.
struct ClashPlace {
    std::uint32_t tick = 0;
    int track = 0;  // 0 TR4, 1 TR5
    bool cutShort = false;  // a near clash
    std::vector<std::uint8_t> notes;
};

// The same, tick by tick, with the hits of the notes on AUTO where `routing`
// sends them, and near clashes within `nearTicks`. Each clash is added to
// `places`, when given, in time order, TR4's before TR5's.
ClashCounts countClashes(const DrumTimeline& timeline, const AssignmentMap& assignments, const HitRouting& routing,
                         std::uint32_t nearTicks, std::vector<ClashPlace>* places = nullptr);

// The first `count` ticks at which `note` starts together with a different
// note of its drum track (of either, for a note on BOTH), as countClashes
// counts them: the walk stops there, so a long song answers at once.
std::vector<std::uint32_t> firstClashTicks(const DrumTimeline& timeline, const AssignmentMap& assignments,
                                           const HitRouting& routing, std::uint8_t note, std::size_t count);
