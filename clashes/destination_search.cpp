#include "clashes/destination_search.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "clashes/clash_count.h"
#include "clashes/destination_search_internal.h"
#include "song/resident_memory.h"

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
    ExactSearch(const HitGroups& groups, const std::vector<bool>& preferred, const std::vector<bool>& anySide,
                const SideChoice& incumbent, std::size_t& budget)
        : groups_(groups), preferred_(preferred), anySide_(anySide), incumbent_(incumbent), budget_(budget),
          side_(groups.noteCount, false), order_(groups.noteCount) {
        reserveResident(state_, groups.groups.size());
        for (const HitGroups::Group& group : groups.groups) {
            const GroupState& s = state_.emplace_back(
                GroupState{group.weight, group.fixedTr4, group.fixedTr5, group.endNote - group.firstNote});
            cost_ += s.weight * groupCost(s.c4, s.c5);
            bound_ += s.weight * leastExtraCost(s.c4, s.c5, s.remaining);
        }
        std::iota(order_.begin(), order_.end(), 0u);
        std::stable_sort(order_.begin(), order_.end(), [&groups](std::uint32_t a, std::uint32_t b) {
            return groups.noteWeight[a] > groups.noteWeight[b];
        });
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
    // A group's counts, together: each visit reads them all.
    struct GroupState {
        std::size_t weight;
        std::uint32_t c4;
        std::uint32_t c5;
        std::uint32_t remaining;
    };

    std::size_t groupsOfNote(std::uint32_t note) const {
        return groups_.firstGroupOf[note + 1] - groups_.firstGroupOf[note];
    }

    void assign(std::uint32_t note, bool tr5, int direction) {
        for (std::uint32_t k = groups_.firstGroupOf[note]; k < groups_.firstGroupOf[note + 1]; ++k) {
            GroupState& s = state_[groups_.groupsOf[k]];
            cost_ -= s.weight * groupCost(s.c4, s.c5);
            bound_ -= s.weight * leastExtraCost(s.c4, s.c5, s.remaining);
            (tr5 ? s.c5 : s.c4) += direction;
            s.remaining -= direction;
            cost_ += s.weight * groupCost(s.c4, s.c5);
            bound_ += s.weight * leastExtraCost(s.c4, s.c5, s.remaining);
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
        if (stopped_ || !spend(budget_, 4 * groupsOfNote(note) + 1)) {
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

    const HitGroups& groups_;
    const std::vector<bool>& preferred_;
    const std::vector<bool>& anySide_;
    const SideChoice& incumbent_;
    std::size_t& budget_;
    std::vector<GroupState> state_;
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
HitGroups hitGroups(const std::vector<DrumChord>& chords, const FreeNotes& free, const AssignmentMap& fixed,
                    std::size_t chordNotes) {
    const DrumTrackNotes fixedNotes = drumTrackNotes(fixed);
    HitGroups flat;
    flat.noteCount = free.notes.size();
    reserveResident(flat.groups, chords.size());
    reserveResident(flat.notes, chordNotes);
    for (const DrumChord& chord : chords) {
        HitGroups::Group g{chord.ticks, 0, 0, std::uint32_t(flat.notes.size()), 0};
        for (const std::uint8_t note : chord.notes) {
            if (free.indexOf[note] >= 0) {
                flat.notes.push_back(static_cast<std::uint32_t>(free.indexOf[note]));
            } else {
                g.fixedTr4 += fixedNotes.tr4[note];
                g.fixedTr5 += fixedNotes.tr5[note];
            }
        }
        g.endNote = std::uint32_t(flat.notes.size());
        flat.groups.push_back(g);
    }
    listGroupsOfNotes(flat);
    return flat;
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

void listGroupsOfNotes(HitGroups& flat) {
    flat.firstGroupOf.assign(flat.noteCount + 1, 0);
    flat.noteWeight.assign(flat.noteCount, 0);
    for (const HitGroups::Group& g : flat.groups) {
        for (std::uint32_t k = g.firstNote; k < g.endNote; ++k) {
            ++flat.firstGroupOf[flat.notes[k] + 1];
            flat.noteWeight[flat.notes[k]] += g.weight;
        }
    }
    std::partial_sum(flat.firstGroupOf.begin(), flat.firstGroupOf.end(), flat.firstGroupOf.begin());
    std::vector<std::uint32_t> next(flat.firstGroupOf.begin(), flat.firstGroupOf.end() - 1);
    reserveResident(flat.groupsOf, flat.notes.size());
    flat.groupsOf.resize(flat.notes.size());
    for (std::uint32_t g = 0; g < flat.groups.size(); ++g) {
        for (std::uint32_t k = flat.groups[g].firstNote; k < flat.groups[g].endNote; ++k) {
            flat.groupsOf[next[flat.notes[k]]++] = g;
        }
    }
}

HitGroups flatGroups(const std::vector<HitGroup>& groups, std::size_t noteCount) {
    HitGroups flat;
    flat.noteCount = noteCount;
    for (const HitGroup& g : groups) {
        const std::uint32_t first = std::uint32_t(flat.notes.size());
        flat.notes.insert(flat.notes.end(), g.notes.begin(), g.notes.end());
        const std::uint32_t end = std::uint32_t(flat.notes.size());
        flat.groups.push_back(HitGroups::Group{g.weight, g.fixedTr4, g.fixedTr5, first, end});
    }
    listGroupsOfNotes(flat);
    return flat;
}

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

SideChoice improveLocally(const HitGroups& flat, const std::vector<bool>& preferred,
                          const std::vector<bool>& anySide, std::size_t& budget) {
    const std::vector<HitGroups::Group>& groups = flat.groups;
    SideChoice current{preferred, 0, changesFrom(preferred, preferred, anySide)};
    struct Counts {
        std::uint32_t c4;
        std::uint32_t c5;
    };
    std::vector<Counts> counts;
    reserveResident(counts, groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        counts.push_back(Counts{groups[g].fixedTr4, groups[g].fixedTr5});
        for (std::uint32_t k = groups[g].firstNote; k < groups[g].endNote; ++k) {
            ++(current.tr5[flat.notes[k]] ? counts[g].c5 : counts[g].c4);
        }
        current.cost += groups[g].weight * groupCost(counts[g].c4, counts[g].c5);
    }
    // What group g adds to the cost when note n changes sides.
    auto flipCost = [&](std::size_t g, std::uint32_t n) {
        const std::uint32_t c4 = counts[g].c4;
        const std::uint32_t c5 = counts[g].c5;
        const std::size_t after = current.tr5[n] ? groupCost(c4 + 1, c5 - 1) : groupCost(c4 - 1, c5 + 1);
        return std::int64_t(groups[g].weight) * (std::int64_t(after) - std::int64_t(groupCost(c4, c5)));
    };
    // Each note of each group tried once, for the change of cost that flipping each note brings.
    spend(budget, flat.notes.size());
    std::vector<std::int64_t> gain(flat.noteCount, 0);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (std::uint32_t k = groups[g].firstNote; k < groups[g].endNote; ++k) {
            gain[flat.notes[k]] += flipCost(g, flat.notes[k]);
        }
    }
    // The groups of `note`, and in each its notes.
    auto forEachNoteBeside = [&flat](std::uint32_t note, auto&& take) {
        for (std::uint32_t k = flat.firstGroupOf[note]; k < flat.firstGroupOf[note + 1]; ++k) {
            const std::uint32_t g = flat.groupsOf[k];
            for (std::uint32_t m = flat.groups[g].firstNote; m < flat.groups[g].endNote; ++m) {
                take(g, flat.notes[m]);
            }
        }
    };
    for (;;) {
        // A pass tries every note.
        if (!spend(budget, flat.noteCount)) {
            return current;
        }
        SideChoice best = current;
        std::uint32_t flip = std::uint32_t(flat.noteCount);
        for (std::uint32_t i = 0; i < flat.noteCount; ++i) {
            const SideChoice candidate{{}, std::size_t(std::int64_t(current.cost) + gain[i]),
                                       anySide[i] ? current.changes
                                       : current.tr5[i] == preferred[i] ? current.changes + 1
                                                                         : current.changes - 1};
            if (isBetter(candidate, best)) {
                best = candidate;
                flip = i;
            }
        }
        if (flip == flat.noteCount) {
            return current;
        }
        std::size_t work = 0;
        for (std::uint32_t k = flat.firstGroupOf[flip]; k < flat.firstGroupOf[flip + 1]; ++k) {
            const HitGroups::Group& g = groups[flat.groupsOf[k]];
            work += 2 * (g.endNote - g.firstNote);
        }
        if (!spend(budget, work + 1)) {
            return current;
        }
        forEachNoteBeside(flip, [&](std::uint32_t g, std::uint32_t n) { gain[n] -= flipCost(g, n); });
        for (std::uint32_t k = flat.firstGroupOf[flip]; k < flat.firstGroupOf[flip + 1]; ++k) {
            const std::uint32_t g = flat.groupsOf[k];
            current.cost -= groups[g].weight * groupCost(counts[g].c4, counts[g].c5);
            if (current.tr5[flip]) {
                ++counts[g].c4, --counts[g].c5;
            } else {
                --counts[g].c4, ++counts[g].c5;
            }
            current.cost += groups[g].weight * groupCost(counts[g].c4, counts[g].c5);
        }
        current.tr5[flip] = !current.tr5[flip];
        current.changes = best.changes;
        forEachNoteBeside(flip, [&](std::uint32_t g, std::uint32_t n) { gain[n] += flipCost(g, n); });
    }
}

SideChoice chooseSides(const HitGroups& groups, const std::vector<bool>& preferred, const std::vector<bool>& anySide,
                       std::size_t budget) {
    const SideChoice local = improveLocally(groups, preferred, anySide, budget);
    // The exact search counts every group, then pays for each note on the way
    // to any choice it makes: where the budget cannot pay for one whole way
    // down, it could only end where it starts, on the local search's choice.
    const std::size_t oneWayDown = 4 * groups.notes.size() + groups.noteCount;
    if (!spend(budget, groups.groups.size()) || oneWayDown > budget) {
        return local;
    }
    return ExactSearch(groups, preferred, anySide, local, budget).run();
}

Suggestion suggestDestinations(const std::vector<DrumChord>& chords, const AssignmentMap& proposal,
                               const AssignmentMap& fixed) {
    const FreeNotes free = freeNotesOf(proposal, fixed);
    if (free.notes.empty()) {
        return Suggestion{destinationsFrom(proposal, fixed, free, SideChoice{}), true};  // nothing to choose
    }
    // Building the groups places every note of every chord: a song too large
    // for that keeps the sides its proposal starts from.
    std::size_t budget = kSearchBudget;
    std::size_t chordNotes = 0;
    for (const DrumChord& chord : chords) {
        chordNotes += chord.notes.size();
    }
    if (!spend(budget, chordNotes)) {
        return Suggestion{destinationsFrom(proposal, fixed, free, SideChoice{free.preferred}), false};
    }
    const HitGroups groups = hitGroups(chords, free, fixed, chordNotes);
    const SideChoice choice = chooseSides(groups, free.preferred, free.anySide, budget);
    return Suggestion{destinationsFrom(proposal, fixed, free, choice), choice.exact};
}
