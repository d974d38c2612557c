#include "clashes/destination_search.h"

#include <algorithm>
#include <array>
#include <map>
#include <numeric>
#include <tuple>

#include "clashes/clash_count.h"
#include "clashes/destination_search_internal.h"

namespace {

// Beyond this many free notes the exact search could take too long.
constexpr std::size_t kExactSearchLimit = 24;

// What a group of hits costs when its notes stand c4 in TR4 and c5 in TR5
// (counts beyond 2 make no difference).
std::size_t groupCost(std::uint32_t c4, std::uint32_t c5) { return (c4 >= 2) + (c5 >= 2); }

// The least that `remaining` more notes can add to a group, whichever sides
// they take: a lower bound, since every group is taken on its own.
std::size_t leastExtraCost(std::uint32_t c4, std::uint32_t c5, std::uint32_t remaining) {
    const std::size_t now = groupCost(c4, c5);
    std::size_t best = 2;
    for (std::uint32_t x = 0; x <= remaining && best > now; ++x) {
        best = std::min(best, groupCost(c4 + x, c5 + remaining - x));
    }
    return best - now;
}

// Branch and bound over the free notes, heaviest first. The cost so far only
// grows (a group that clashes on a side keeps clashing), and so do the changes
// from the proposal, so a branch whose bound cannot beat the best found is cut.
class ExactSearch {
public:
    ExactSearch(const std::vector<HitGroup>& groups, std::size_t noteCount, const std::vector<bool>& preferred,
                const std::vector<bool>& anySide)
        : groups_(groups), preferred_(preferred), anySide_(anySide), noteGroups_(noteCount),
          c4_(groups.size()), c5_(groups.size()), remaining_(groups.size()), side_(noteCount, false) {
        std::vector<std::size_t> weight(noteCount, 0);
        for (std::size_t g = 0; g < groups.size(); ++g) {
            c4_[g] = groups[g].fixedTr4;
            c5_[g] = groups[g].fixedTr5;
            remaining_[g] = static_cast<std::uint32_t>(groups[g].notes.size());
            cost_ += groups[g].weight * groupCost(c4_[g], c5_[g]);
            bound_ += groups[g].weight * leastExtraCost(c4_[g], c5_[g], remaining_[g]);
            for (const std::uint32_t n : groups[g].notes) {
                noteGroups_[n].push_back(g);
                weight[n] += groups[g].weight;
            }
        }
        order_.resize(noteCount);
        std::iota(order_.begin(), order_.end(), 0u);
        std::stable_sort(order_.begin(), order_.end(),
                         [&weight](std::uint32_t a, std::uint32_t b) { return weight[a] > weight[b]; });
    }

    SideChoice run() {
        search(0, 0);
        return best_;
    }

private:
    void assign(std::uint32_t note, bool tr5, int direction) {
        for (const std::size_t g : noteGroups_[note]) {
            const std::size_t w = groups_[g].weight;
            cost_ -= w * groupCost(c4_[g], c5_[g]);
            bound_ -= w * leastExtraCost(c4_[g], c5_[g], remaining_[g]);
            (tr5 ? c5_[g] : c4_[g]) += direction;
            remaining_[g] -= direction;
            cost_ += w * groupCost(c4_[g], c5_[g]);
            bound_ += w * leastExtraCost(c4_[g], c5_[g], remaining_[g]);
        }
    }

    void search(std::size_t depth, std::size_t changes) {
        const std::size_t lower = cost_ + bound_;
        if (found_ && (lower > best_.cost || (lower == best_.cost && changes >= best_.changes))) {
            return;
        }
        if (depth == order_.size()) {
            best_ = SideChoice{side_, cost_, changes};
            found_ = true;
            return;
        }
        const std::uint32_t note = order_[depth];
        const bool first = preferred_[note];
        for (const bool tr5 : {first, !first}) {
            const std::size_t change = anySide_[note] || tr5 != preferred_[note] ? 1 : 0;
            side_[note] = tr5;
            assign(note, tr5, +1);
            search(depth + 1, changes + change);
            assign(note, tr5, -1);
        }
    }

    const std::vector<HitGroup>& groups_;
    const std::vector<bool>& preferred_;
    const std::vector<bool>& anySide_;
    std::vector<std::vector<std::size_t>> noteGroups_;
    std::vector<std::uint32_t> c4_, c5_, remaining_;
    std::vector<bool> side_;
    std::vector<std::uint32_t> order_;
    std::size_t cost_ = 0;
    std::size_t bound_ = 0;
    bool found_ = false;
    SideChoice best_;
};

std::size_t changesFrom(const std::vector<bool>& tr5, const std::vector<bool>& preferred,
                        const std::vector<bool>& anySide) {
    std::size_t changes = 0;
    for (std::size_t i = 0; i < tr5.size(); ++i) {
        changes += anySide[i] || tr5[i] != preferred[i];
    }
    return changes;
}

// Flips the one note that helps most, again and again, until none helps.
SideChoice localSearch(const std::vector<HitGroup>& groups, std::size_t noteCount, const std::vector<bool>& preferred,
                       const std::vector<bool>& anySide) {
    SideChoice current{preferred, costOfSides(groups, preferred), 0};
    current.changes = changesFrom(current.tr5, preferred, anySide);
    for (;;) {
        SideChoice best = current;
        for (std::size_t i = 0; i < noteCount; ++i) {
            std::vector<bool> flipped = current.tr5;
            flipped[i] = !flipped[i];
            const SideChoice candidate{flipped, costOfSides(groups, flipped),
                                       changesFrom(flipped, preferred, anySide)};
            if (candidate.cost < best.cost || (candidate.cost == best.cost && candidate.changes < best.changes)) {
                best = candidate;
            }
        }
        if (best.cost == current.cost && best.changes == current.changes) {
            return current;
        }
        current = best;
    }
}


// The notes whose side is to be chosen, numbered 0..n-1 in note order, with
// what their proposal says: every note of the proposal that is not fixed.
struct FreeNotes {
    std::vector<std::int32_t> notes;
    std::array<std::int32_t, 256> indexOf;  // -1 for a note that is not free
    std::vector<bool> preferred;
    std::vector<bool> anySide;
};

FreeNotes freeNotesOf(const AssignmentMap& proposal, const AssignmentMap& fixed) {
    FreeNotes free;
    free.indexOf.fill(-1);
    for (const auto& [note, target] : proposal) {
        if (fixed.count(note) != 0 || note < 0 || note > 255) {
            continue;
        }
        free.indexOf[std::size_t(note)] = static_cast<std::int32_t>(free.notes.size());
        free.notes.push_back(note);
        free.preferred.push_back(target == TR5);
        free.anySide.push_back(target == BOTH);
    }
    return free;
}

using Hit = std::pair<std::uint32_t, std::uint8_t>;  // (tick, note)

// Where the notes start: a set of (tick, note), the same whatever the destinations.
std::vector<Hit> startingHits(const std::vector<Track>& tracks) {
    std::vector<Hit> hits;
    for (const Track& track : tracks) {
        for (const MidiEvent& e : track) {
            if (isDrumHit(e)) {
                hits.emplace_back(e.tick, e.data[0]);
            }
        }
    }
    std::sort(hits.begin(), hits.end());
    hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
    return hits;
}

// One group per shape of tick that can clash, weighted by how many ticks have it.
std::vector<HitGroup> hitGroups(const std::vector<Hit>& hits, const FreeNotes& free, const AssignmentMap& fixed) {
    auto fixedTarget = [&](std::uint8_t note) {
        const auto f = fixed.find(note);
        return f == fixed.end() ? TR4 : f->second;  // the splitter's own default
    };
    std::map<std::tuple<std::vector<std::uint32_t>, std::uint32_t, std::uint32_t>, std::size_t> shapes;
    for (std::size_t i = 0; i < hits.size();) {
        std::size_t end = i;
        HitGroup g;
        for (; end < hits.size() && hits[end].first == hits[i].first; ++end) {
            const std::uint8_t note = hits[end].second;
            if (free.indexOf[note] >= 0) {
                g.notes.push_back(static_cast<std::uint32_t>(free.indexOf[note]));
            } else {
                const DrumTarget t = fixedTarget(note);
                g.fixedTr4 += t != TR5;
                g.fixedTr5 += t != TR4;
            }
        }
        if (g.notes.size() + g.fixedTr4 + g.fixedTr5 >= 2) {
            std::sort(g.notes.begin(), g.notes.end());
            ++shapes[{g.notes, g.fixedTr4, g.fixedTr5}];
        }
        i = end;
    }
    std::vector<HitGroup> groups;
    groups.reserve(shapes.size());
    for (const auto& [shape, weight] : shapes) {
        groups.push_back(HitGroup{std::get<0>(shape), std::get<1>(shape), std::get<2>(shape), weight});
    }
    return groups;
}

// Every note of the proposal: fixed ones as given, free ones as chosen.
AssignmentMap destinationsFrom(const AssignmentMap& proposal, const AssignmentMap& fixed, const FreeNotes& free,
                               const SideChoice& choice) {
    AssignmentMap result;
    for (const auto& [note, target] : proposal) {
        if (const auto f = fixed.find(note); f != fixed.end()) {
            result[note] = f->second;
        } else if (note >= 0 && note <= 255 && free.indexOf[std::size_t(note)] >= 0) {
            result[note] = choice.tr5[std::size_t(free.indexOf[std::size_t(note)])] ? TR5 : TR4;
        } else {
            result[note] = target;
        }
    }
    return result;
}

}  // namespace

std::size_t costOfSides(const std::vector<HitGroup>& groups, const std::vector<bool>& tr5) {
    std::size_t cost = 0;
    for (const HitGroup& g : groups) {
        std::uint32_t c4 = g.fixedTr4;
        std::uint32_t c5 = g.fixedTr5;
        for (const std::uint32_t n : g.notes) {
            ++(tr5[n] ? c5 : c4);
        }
        cost += g.weight * groupCost(c4, c5);
    }
    return cost;
}

SideChoice chooseSides(const std::vector<HitGroup>& groups, std::size_t noteCount, const std::vector<bool>& preferred,
                       const std::vector<bool>& anySide, bool exact) {
    if (exact) {
        return ExactSearch(groups, noteCount, preferred, anySide).run();
    }
    return localSearch(groups, noteCount, preferred, anySide);
}

AssignmentMap suggestDestinations(const std::vector<Track>& tracks, const AssignmentMap& proposal,
                                  const AssignmentMap& fixed) {
    const FreeNotes free = freeNotesOf(proposal, fixed);
    const std::vector<HitGroup> groups = hitGroups(startingHits(tracks), free, fixed);
    const std::size_t n = free.notes.size();
    const SideChoice choice = chooseSides(groups, n, free.preferred, free.anySide, n <= kExactSearchLimit);
    return destinationsFrom(proposal, fixed, free, choice);
}
