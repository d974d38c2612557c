#pragma once

// Destinations that leave the fewest clashes: moving notes between TR4 and TR5
// is how a user avoids two notes starting together in one drum track.

#include <vector>

#include "clashes/clash_count.h"
#include "drums/drum_inventory.h"

struct Suggestion {
    AssignmentMap destinations;
    bool exact = false;  // no choice leaves fewer clashes; otherwise the best the search found in its time
};

// Destinations for every note of `proposal` that minimise the clashing ticks
// of `chords` summed over both drum tracks, using only TR4 and TR5 for the
// notes chosen. Notes in `fixed` keep their destination there (BOTH included)
// and the rest is chosen around them. Among equally good choices the one that
// changes fewest notes from `proposal` wins, so a proposal that is already
// best is kept.
// A local search from the proposal, then an exact search with pruning that
// starts from its result. Both, and the building of what they search, share a
// fixed budget of steps, so the answer takes a bounded time whatever the song
// (some tens of milliseconds); where the budget runs out before the search
// ends, the answer is the best found, never worse than the local search's. A
// song whose chords hold more notes than the budget has steps is not searched:
// the notes not in `fixed` keep their proposed sides, TR4 for BOTH.
Suggestion suggestDestinations(const std::vector<DrumChord>& chords, const AssignmentMap& proposal,
                               const AssignmentMap& fixed);
