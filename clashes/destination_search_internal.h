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

// The groups as the searches walk them: every group's notes in one list and
// every note's groups in another, so that a song of many chords costs no
// allocation per chord, and a group's counts sit together. Indexes of 32 bits
// suffice: suggestDestinations builds no more notes than its budget has steps.
struct HitGroups {
    struct Group {
        std::size_t weight;
        std::uint32_t fixedTr4;
        std::uint32_t fixedTr5;
        std::uint32_t firstNote;  // its free notes: notes[firstNote, endNote)
        std::uint32_t endNote;
    };
    std::size_t noteCount = 0;
    std::vector<Group> groups;
    std::vector<std::uint32_t> notes;
    std::vector<std::uint32_t> firstGroupOf;  // note n's groups: groupsOf[firstGroupOf[n], firstGroupOf[n + 1])
    std::vector<std::uint32_t> groupsOf;
    std::vector<std::size_t> noteWeight;  // the ticks on which each note starts in some group
};

// Lists each note's groups and weight, once `flat.groups` and `flat.notes` are in.
void listGroupsOfNotes(HitGroups& flat);

// `groups` over notes 0..noteCount-1, as the searches walk them.
HitGroups flatGroups(const std::vector<HitGroup>& groups, std::size_t noteCount);

// The side of every note (false: TR4, true: TR5), the clashing ticks that gives,
// and how many notes it moves from their proposal.
struct SideChoice {
    std::vector<bool> tr5;
    std::size_t cost = 0;
    std::size_t changes = 0;
    bool exact = false;  // proven best: the exact search went through to its end
};

// Steps that suggestDestinations allows: a group built or visited, a note
// placed or tried; some 50 to 90 ms on a 2.6 GHz core. Every pass of the
// searches is paid for, so the budget bounds their time whatever the song;
// counting steps rather than time keeps the answer the same on every machine.
inline constexpr std::size_t kSearchBudget = 10'000'000;

// `preferred[i]`: the side note i is proposed for (changes are counted against
// it); `anySide[i]`: the proposal names neither side alone (BOTH), so either
// side counts as one change.

// Flips the one note that helps most, again and again, until none helps or
// `budget` is spent (it is left with what remains).
SideChoice improveLocally(const HitGroups& groups, const std::vector<bool>& preferred,
                          const std::vector<bool>& anySide, std::size_t& budget);

// The local search, then the exact search from its result, within `budget` steps in all.
SideChoice chooseSides(const HitGroups& groups, const std::vector<bool>& preferred,
                       const std::vector<bool>& anySide, std::size_t budget);

// The cost of one choice of sides: the basis the searches are tested against.
std::size_t costOfSides(const std::vector<HitGroup>& groups, const std::vector<bool>& tr5);
