#pragma once

// Drum hits that start together in one drum track. The converter the outputs
// are made for plays a track one note at a time, so of two notes that start on
// the same tick in TR4 (or in TR5) one is lost: a clash. Moving notes between
// TR4 and TR5 is how a user avoids them; this unit counts them and chooses
// destinations that leave the fewest.

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "drums/drum_inventory.h"
#include "song/song_data.h"

struct TrackClashes {
    std::size_t ticks = 0;           // ticks at which two or more different notes start
    std::size_t largest = 0;         // the most different notes that start at one tick
    std::size_t selfClashTicks = 0;  // ticks at which one note starts more than once
    // (lower note, higher note) -> ticks at which both start in this track.
    std::map<std::pair<std::int32_t, std::int32_t>, std::size_t> sharedTicks;
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

// Destinations for every note of `proposal` that minimise the clashing ticks
// summed over both drum tracks, using only TR4 and TR5 for the notes chosen.
// Notes in `fixed` keep their destination there (BOTH included) and the rest is
// chosen around them. Among equally good choices the one that changes fewest
// notes from `proposal` wins, so a proposal that is already best is kept.
// Exact (a search with pruning) for up to kExactSearchLimit free notes; beyond
// that a local search started from the proposal.
AssignmentMap suggestDestinations(const std::vector<Track>& tracks, const AssignmentMap& proposal,
                                  const AssignmentMap& fixed);

inline constexpr std::size_t kExactSearchLimit = 24;

// The search on its own terms, for tests and benchmarks: notes 0..n-1, and for
// each tick the notes that start there (each once). Returns the side of every
// note (false: TR4, true: TR5) and its cost.
struct HitGroup {
    std::vector<std::uint32_t> notes;  // indexes of the free notes that start at the tick
    std::uint32_t fixedTr4 = 0;        // notes of fixed destination starting there, in TR4
    std::uint32_t fixedTr5 = 0;        // ... and in TR5 (a BOTH note counts in both)
    std::size_t weight = 1;            // ticks that have exactly this shape
};

struct SideChoice {
    std::vector<bool> tr5;
    std::size_t cost = 0;
    std::size_t changes = 0;
};

// `preferred[i]`: the side note i is proposed for (changes are counted against
// it); `anySide[i]`: the proposal names neither side alone (BOTH), so either
// side counts as one change.
SideChoice chooseSides(const std::vector<HitGroup>& groups, std::size_t noteCount, const std::vector<bool>& preferred,
                       const std::vector<bool>& anySide, bool exact);

// The cost of one choice of sides: the basis the searches are tested against.
std::size_t costOfSides(const std::vector<HitGroup>& groups, const std::vector<bool>& tr5);
