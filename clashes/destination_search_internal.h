#pragma once

// The destination search on its own terms, for its tests and benchmarks:
// notes 0..n-1, and for each tick the notes that start there (each once).

#include <cstddef>
#include <cstdint>
#include <vector>

struct HitGroup {
    std::vector<std::uint32_t> notes;  // indexes of the free notes that start at the tick
    std::uint32_t fixedTr4 = 0;        // notes of fixed destination starting there, in TR4
    std::uint32_t fixedTr5 = 0;        // ... and in TR5 (a BOTH note counts in both)
    std::size_t weight = 1;            // ticks that have exactly this shape
};

// The side of every note (false: TR4, true: TR5), the clashing ticks that gives,
// and how many notes it moves from their proposal.
struct SideChoice {
    std::vector<bool> tr5;
    std::size_t cost = 0;
    std::size_t changes = 0;
    bool exact = false;  // proven best: the exact search went through to its end
};

// Steps of the search (a group visited, a note tried) that suggestDestinations
// allows: some 50 to 90 ms on a 2.6 GHz core. Counting steps rather than time keeps
// the answer the same on every machine.
inline constexpr std::size_t kSearchBudget = 10'000'000;

// `preferred[i]`: the side note i is proposed for (changes are counted against
// it); `anySide[i]`: the proposal names neither side alone (BOTH), so either
// side counts as one change.

// Flips the one note that helps most, again and again, until none helps or
// `budget` is spent (it is left with what remains).
SideChoice improveLocally(const std::vector<HitGroup>& groups, std::size_t noteCount,
                          const std::vector<bool>& preferred, const std::vector<bool>& anySide, std::size_t& budget);

// The local search, then the exact search from its result, within `budget` steps in all.
SideChoice chooseSides(const std::vector<HitGroup>& groups, std::size_t noteCount, const std::vector<bool>& preferred,
                       const std::vector<bool>& anySide, std::size_t budget);

// The cost of one choice of sides: the basis the searches are tested against.
std::size_t costOfSides(const std::vector<HitGroup>& groups, const std::vector<bool>& tr5);
