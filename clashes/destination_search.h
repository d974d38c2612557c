#pragma once

// Destinations that leave the fewest clashes: moving notes between TR4 and TR5
// is how a user avoids two notes starting together in one drum track.

#include <vector>

#include "drums/drum_inventory.h"
#include "song/song_data.h"

// Destinations for every note of `proposal` that minimise the clashing ticks
// summed over both drum tracks, using only TR4 and TR5 for the notes chosen.
// Notes in `fixed` keep their destination there (BOTH included) and the rest is
// chosen around them. Among equally good choices the one that changes fewest
// notes from `proposal` wins, so a proposal that is already best is kept.
// Exact (a search with pruning) for up to 24 free notes; beyond that a local
// search started from the proposal.
AssignmentMap suggestDestinations(const std::vector<Track>& tracks, const AssignmentMap& proposal,
                                  const AssignmentMap& fixed);
