#include "clashes/destination_search.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "clashes/clash_count.h"
#include "clashes/destination_search_internal.h"

namespace {

// What a group of hits costs when its notes stand c4 in TR4 and c5 in TR5
// (counts beyond 2 make no difference).
std::size_t groupCost(std::uint32_t c4, std::uint32_t c5) { return (c4 >= 2) + (c5 >= 2); }

// The least that `remaining` more notes can add to a group, whichever sides
// they take: a lower bound, since every group is taken on its own. A side that
// holds at most one note can take notes up to one; the rest must go where they
// clash.
std::size_t leastExtraCost(std::uint32_t c4, std::uint32_t c5, std::uint32_t remaining) {
    const std::uint32_t room = (c4 < 2 ? 1 - c4 : 0) + (c5 < 2 ? 1 - c5 : 0);
    const std::size_t least = remaining <= room ? 0 : (c4 < 2 || c5 < 2 ? 1 : 2);
    return std::max(least, groupCost(c4, c5)) - groupCost(c4, c5);
}

std::vector<std::vector<std::size_t>> groupsOfEachNote(const std::vector<HitGroup>& groups, std::size_t noteCount) {
    std::vector<std::vector<std::size_t>> noteGroups(noteCount);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (const std::uint32_t n : groups[g].notes) {
            noteGroups[n].push_back(g);
        }
    }
    return noteGroups;
}

// Takes `work` steps from `budget`, if it has them.
bool spend(std::size_t& budget, std::size_t work) {
    if (work > budget) {
        budget = 0;
        return false;
    }
    budget -= work;
    return true;
}

bool isBetter(const SideChoice& a, const SideChoice& b) {
    return a.cost < b.cost || (a.cost == b.cost && a.changes < b.changes);
}

// Branch and bound over the free notes, heaviest first. The cost so far only
// grows (a group that clashes on a side keeps clashing), and so do the changes
// from the proposal, so a branch whose bound cannot beat the best found is cut.
// A choice known beforehand (`incumbent`) cuts the branches that can only be
// worse than it, never one that could equal it, so the search ends on the
// same choice as without it, only sooner. Each node costs the groups it
// visits; when the budget runs out the search stops where it is.
class ExactSearch {
public:
    ExactSearch(const std::vector<HitGroup>& groups, std::size_t noteCount, const std::vector<bool>& preferred,
                const std::vector<bool>& anySide, const SideChoice& incumbent, std::size_t& budget)
        : groups_(groups), preferred_(preferred), anySide_(anySide), incumbent_(incumbent), budget_(budget),
          noteGroups_(groupsOfEachNote(groups, noteCount)), c4_(groups.size()), c5_(groups.size()),
          remaining_(groups.size()), side_(noteCount, false) {
        std::vector<std::size_t> weight(noteCount, 0);
        for (std::size_t g = 0; g < groups.size(); ++g) {
            c4_[g] = groups[g].fixedTr4;
            c5_[g] = groups[g].fixedTr5;
            remaining_[g] = static_cast<std::uint32_t>(groups[g].notes.size());
            cost_ += groups[g].weight * groupCost(c4_[g], c5_[g]);
            bound_ += groups[g].weight * leastExtraCost(c4_[g], c5_[g], remaining_[g]);
            for (const std::uint32_t n : groups[g].notes) {
                weight[n] += groups[g].weight;
            }
        }
        order_.resize(noteCount);
        std::iota(order_.begin(), order_.end(), 0u);
        std::stable_sort(order_.begin(), order_.end(),
                         [&weight](std::uint32_t a, std::uint32_t b) { return weight[a] > weight[b]; });
    }

    // The best choice, proven best when the search went through to its end;
    // otherwise the better of the incumbent and the best found so far.
    SideChoice run() {
        search(0, 0);
        if (!stopped_ && found_) {
            best_.exact = true;
            return best_;
        }
        return found_ && isBetter(best_, incumbent_) ? best_ : incumbent_;
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
        if (lower > incumbent_.cost || (lower == incumbent_.cost && changes > incumbent_.changes)) {
            return;
        }
        if (found_ && (lower > best_.cost || (lower == best_.cost && changes >= best_.changes))) {
            return;
        }
        if (depth == order_.size()) {
            best_ = SideChoice{side_, cost_, changes};
            found_ = true;
            return;
        }
        const std::uint32_t note = order_[depth];
        // Both branches paid at once: each assigns the note and takes it back.
        if (stopped_ || !spend(budget_, 4 * noteGroups_[note].size() + 1)) {
            stopped_ = true;
            return;
        }
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
    const SideChoice& incumbent_;
    std::size_t& budget_;
    std::vector<std::vector<std::size_t>> noteGroups_;
    std::vector<std::uint32_t> c4_, c5_, remaining_;
    std::vector<bool> side_;
    std::vector<std::uint32_t> order_;
    std::size_t cost_ = 0;
    std::size_t bound_ = 0;
    bool found_ = false;
    bool stopped_ = false;
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

// One group per chord: its free notes, and where its other notes stand.
std::vector<HitGroup> hitGroups(const std::vector<DrumChord>& chords, const FreeNotes& free, const AssignmentMap& fixed) {
    std::array<DrumTarget, 256> fixedTarget;
    fixedTarget.fill(TR4);  // the splitter's own default
    for (const auto& [note, target] : fixed) {
        if (note >= 0 && note <= 255) {
            fixedTarget[std::size_t(note)] = target;
        }
    }
    std::vector<HitGroup> groups;
    groups.reserve(chords.size());
    for (const DrumChord& chord : chords) {
        HitGroup g;
        g.weight = chord.ticks;
        for (const std::uint8_t note : chord.notes) {
            if (free.indexOf[note] >= 0) {
                g.notes.push_back(static_cast<std::uint32_t>(free.indexOf[note]));
            } else {
                g.fixedTr4 += fixedTarget[note] != TR5;
                g.fixedTr5 += fixedTarget[note] != TR4;
            }
        }
        groups.push_back(std::move(g));
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

SideChoice improveLocally(const std::vector<HitGroup>& groups, std::size_t noteCount,
                          const std::vector<bool>& preferred, const std::vector<bool>& anySide, std::size_t& budget) {
    const std::vector<std::vector<std::size_t>> noteGroups = groupsOfEachNote(groups, noteCount);
    SideChoice current{preferred, 0, changesFrom(preferred, preferred, anySide)};
    std::vector<std::uint32_t> c4(groups.size()), c5(groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        c4[g] = groups[g].fixedTr4;
        c5[g] = groups[g].fixedTr5;
        for (const std::uint32_t n : groups[g].notes) {
            ++(current.tr5[n] ? c5[g] : c4[g]);
        }
        current.cost += groups[g].weight * groupCost(c4[g], c5[g]);
    }
    // What group g adds to the cost when note n changes sides.
    auto flipCost = [&](std::size_t g, std::uint32_t n) {
        const bool tr5 = current.tr5[n];
        const std::size_t after = tr5 ? groupCost(c4[g] + 1, c5[g] - 1) : groupCost(c4[g] - 1, c5[g] + 1);
        return std::int64_t(groups[g].weight) * (std::int64_t(after) - std::int64_t(groupCost(c4[g], c5[g])));
    };
    std::vector<std::int64_t> gain(noteCount, 0);  // the change of cost that flipping each note brings
    for (std::size_t g = 0; g < groups.size(); ++g) {
        spend(budget, groups[g].notes.size());
        for (const std::uint32_t n : groups[g].notes) {
            gain[n] += flipCost(g, n);
        }
    }
    for (;;) {
        SideChoice best = current;
        std::size_t flip = noteCount;
        for (std::size_t i = 0; i < noteCount; ++i) {
            const SideChoice candidate{{}, std::size_t(std::int64_t(current.cost) + gain[i]),
                                       anySide[i] ? current.changes
                                       : current.tr5[i] == preferred[i] ? current.changes + 1
                                                                         : current.changes - 1};
            if (isBetter(candidate, best)) {
                best = candidate;
                flip = i;
            }
        }
        std::size_t work = 0;
        if (flip != noteCount) {
            for (const std::size_t g : noteGroups[flip]) {
                work += 2 * groups[g].notes.size();
            }
        }
        if (flip == noteCount || !spend(budget, work + 1)) {
            return current;
        }
        for (const std::size_t g : noteGroups[flip]) {
            for (const std::uint32_t n : groups[g].notes) {
                gain[n] -= flipCost(g, n);
            }
            current.cost -= groups[g].weight * groupCost(c4[g], c5[g]);
            if (current.tr5[flip]) {
                ++c4[g], --c5[g];
            } else {
                --c4[g], ++c5[g];
            }
            current.cost += groups[g].weight * groupCost(c4[g], c5[g]);
        }
        current.tr5[flip] = !current.tr5[flip];
        current.changes = best.changes;
        for (const std::size_t g : noteGroups[flip]) {
            for (const std::uint32_t n : groups[g].notes) {
                gain[n] += flipCost(g, n);
            }
        }
    }
}

SideChoice chooseSides(const std::vector<HitGroup>& groups, std::size_t noteCount, const std::vector<bool>& preferred,
                       const std::vector<bool>& anySide, std::size_t budget) {
    const SideChoice local = improveLocally(groups, noteCount, preferred, anySide, budget);
    return ExactSearch(groups, noteCount, preferred, anySide, local, budget).run();
}

Suggestion suggestDestinations(const std::vector<DrumChord>& chords, const AssignmentMap& proposal,
                               const AssignmentMap& fixed) {
    const FreeNotes free = freeNotesOf(proposal, fixed);
    const std::vector<HitGroup> groups = hitGroups(chords, free, fixed);
    const SideChoice choice = chooseSides(groups, free.notes.size(), free.preferred, free.anySide, kSearchBudget);
    return Suggestion{destinationsFrom(proposal, fixed, free, choice), choice.exact};
}
