#include "split/hit_routing.h"

#include <algorithm>
#include <array>
#include <tuple>

#include "song/radix_sort.h"
#include "song/resident_memory.h"

NearWindow nearWindow;

std::vector<std::uint64_t> sortedDrumHits(const std::vector<Track>& tracks) {
    std::size_t hitCount = 0;
    for (const Track& track : tracks) {
        hitCount += std::size_t(std::count_if(track.begin(), track.end(), isDrumHit));
    }
    std::vector<std::uint64_t> hits;
    reserveResident(hits, hitCount);
    for (const Track& track : tracks) {
        for (const MidiEvent& e : track) {
            if (isDrumHit(e)) {
                hits.push_back(std::uint64_t(e.tick) << 8 | e.data[0]);
            }
        }
    }
    radixSort(hits, 40, [](std::uint64_t hit) { return hit; });
    return hits;
}

DrumTimeline drumTimeline(const std::vector<std::uint64_t>& sortedHits) {
    DrumTimeline timeline;
    for (std::size_t i = 0; i < sortedHits.size(); ++i) {
        const std::uint64_t hit = sortedHits[i];
        const std::uint32_t tick = std::uint32_t(hit >> 8);
        if (i != 0 && hit == sortedHits[i - 1]) {
            timeline.again.back() = true;
            continue;
        }
        if (timeline.ticks.empty() || timeline.ticks.back() != tick) {
            timeline.ticks.push_back(tick);
            timeline.first.push_back(std::uint32_t(timeline.notes.size()));
        }
        timeline.notes.push_back(std::uint8_t(hit));
        timeline.again.push_back(false);
    }
    timeline.first.push_back(std::uint32_t(timeline.notes.size()));
    return timeline;
}

std::uint32_t nearWindowTicks(const NearWindow& window, std::uint16_t division) {
    if (window.ticks != 0) {
        return window.ticks;
    }
    if (window.perQuarter == 0 || (division & 0x8000) != 0) {
        return 0;
    }
    // Rounded up: a distance d is less than division / perQuarter exactly when
    // it is less than this.
    return (division + window.perQuarter - 1) / window.perQuarter;
}

int survivalRank(std::uint8_t note) {
    int family = 8;
    switch (note) {
        case 35: case 36: family = 0; break;
        case 37: case 38: case 39: case 40: family = 1; break;
        case 49: case 52: case 55: case 57: family = 2; break;
        case 41: case 43: case 45: case 47: case 48: case 50: family = 3; break;
        case 51: case 53: case 59: family = 4; break;
        case 46: family = 5; break;
        case 42: case 44: family = 6; break;
        default: family = note >= 35 && note <= 81 ? 7 : 8; break;
    }
    return family * 256 + note;
}

namespace {

// A set of notes as four words. The sets are small, so counting by clearing
// the lowest bit beats a population count that the baseline instruction set
// leaves to a library call.
struct NoteSet {
    std::array<std::uint64_t, 4> w{};

    bool operator[](std::size_t note) const { return (w[note >> 6] >> (note & 63) & 1) != 0; }
    void set(std::size_t note) { w[note >> 6] |= std::uint64_t(1) << (note & 63); }
    bool any() const { return (w[0] | w[1] | w[2] | w[3]) != 0; }
    bool none() const { return !any(); }
    std::size_t count() const {
        std::size_t n = 0;
        for (std::uint64_t word : w) {
            for (; word != 0; word &= word - 1) {
                ++n;
            }
        }
        return n;
    }
    // Whether two or more notes are in: cheaper than a count.
    bool several() const {
        std::size_t seen = 0;
        for (const std::uint64_t word : w) {
            seen += word != 0;
            if ((word & (word - 1)) != 0) {
                return true;
            }
        }
        return seen >= 2;
    }
    bool operator==(const NoteSet&) const = default;
    NoteSet operator~() const { return {{~w[0], ~w[1], ~w[2], ~w[3]}}; }
    NoteSet operator&(const NoteSet& o) const { return {{w[0] & o.w[0], w[1] & o.w[1], w[2] & o.w[2], w[3] & o.w[3]}}; }
    NoteSet operator|(const NoteSet& o) const { return {{w[0] | o.w[0], w[1] | o.w[1], w[2] | o.w[2], w[3] | o.w[3]}}; }
    NoteSet operator^(const NoteSet& o) const { return {{w[0] ^ o.w[0], w[1] ^ o.w[1], w[2] ^ o.w[2], w[3] ^ o.w[3]}}; }
    NoteSet& operator|=(const NoteSet& o) { return *this = *this | o; }
};

// The routings tried at a tick, as the notes on AUTO sent to TR5 there.
enum Placement : std::uint8_t {
    kAllTr4,
    kAllTr5,
    kAloneTr4,    // the note of lowest rank alone in TR4, the others in TR5
    kAloneTr5,
    kKeep,        // each note where its last hit went, a note not yet struck in TR4
    kKeepNewTr5,  // the same, a note not yet struck in TR5
    kPlacements,
};

// A tick at which some note on AUTO starts, with what the routing needs of it.
struct Step {
    std::size_t tick;         // index in the timeline
    NoteSet routed;           // the notes on AUTO that start there
    std::array<std::uint8_t, 256> routedNotes;  // the same, as a list of routedCount
    std::size_t routedCount = 0;
    NoteSet alone;            // the one of them to be alone, for kAloneTr4 and kAloneTr5
    NoteSet fixedTr4;         // the other notes that start there, by drum track (BOTH in both)
    NoteSet fixedTr5;
    NoteSet recentTr4;        // notes of a fixed track that started less than the window before
    NoteSet recentTr5;
    NoteSet recentRouted;     // notes on AUTO that did
    bool nearby = false;      // some hit starts within the window before or after
    std::array<bool, kPlacements> fewest{};  // the state-free placements that leave the fewest clashes
    int best = 0;             // their measure (placementMeasure)
};

// One routing of the ticks so far, as the search keeps it.
struct State {
    NoteSet tr5;     // where each note on AUTO went last
    NoteSet struck;  // the notes on AUTO struck so far
    std::size_t shortened = 0;  // hits cut short by a near one
    std::size_t switches = 0;
    std::uint64_t hash = 0;
    std::uint8_t parent = 0;
    std::uint8_t placement = 0;
};

NoteSet placed(const Step& step, const State& state, int placement) {
    switch (placement) {
        case kAllTr4: return {};
        case kAllTr5: return step.routed;
        case kAloneTr4: return step.routed & ~step.alone;
        case kAloneTr5: return step.alone;
        case kKeep: return step.routed & state.tr5;
        default: return step.routed & (state.tr5 | ~state.struck);
    }
}

// Clashes first, then the notes heard, as one number: lower is better.
int placementMeasure(const Step& step, const NoteSet& toTr5) {
    const NoteSet tr4 = step.fixedTr4 | (step.routed & ~toTr5);
    const NoteSet tr5 = step.fixedTr5 | toTr5;
    const int clashes = tr4.several() + tr5.several();
    const int heard = tr4.any() + tr5.any();
    return clashes * 4 - heard;
}

// Whether the notes `at` that start in a drum track cut short one of `recent`.
bool cutsShort(const NoteSet& at, const NoteSet& recent) {
    if (at.none() || recent.none()) {
        return false;
    }
    return at.several() || (recent & ~at).any();
}

std::size_t hitsCutShort(const Step& step, const State& state, const NoteSet& toTr5) {
    if (!step.nearby) {
        return 0;
    }
    const NoteSet recentTr4 = step.recentTr4 | (step.recentRouted & ~state.tr5);
    const NoteSet recentTr5 = step.recentTr5 | (step.recentRouted & state.tr5);
    return cutsShort(step.fixedTr4 | (step.routed & ~toTr5), recentTr4) +
           cutsShort(step.fixedTr5 | toTr5, recentTr5);
}

// A number per note and track, the same on every machine: a state's hash is
// the exclusive or of those of its notes' tracks, kept up to date note by note.
std::uint64_t noteKey(std::size_t note, bool tr5) {
    std::uint64_t z = (note * 2 + tr5 + 1) * 0x9E3779B97F4A7C15u;  // splitmix64
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

bool sameRouting(const State& a, const State& b) {
    return a.hash == b.hash && a.struck == b.struck && (a.tr5 & a.struck) == (b.tr5 & b.struck);
}

// A state as the beam ranks it: fewer near hits, then fewer switches; the
// hash and the index only make the order the same on every machine.
struct Rank {
    std::size_t shortened;
    std::size_t switches;
    std::uint64_t hash;
    std::uint32_t index;
};

// Whether `kept` can do whatever `dropped` does from here at no more cost: it
// needs at most one switch per note that they route apart.
bool covers(const State& kept, const State& dropped) {
    const std::size_t apart = ((kept.tr5 ^ dropped.tr5) & kept.struck & dropped.struck).count() +
                              (kept.struck & ~dropped.struck).count();
    return kept.shortened <= dropped.shortened && kept.switches + apart <= dropped.switches;
}

// The step at tick i of the timeline, `from` being the first tick less than
// the window before it (the steps are taken in time order); nothing to route
// when no note on AUTO starts there.
Step stepAt(const DrumTimeline& timeline, const DrumTrackNotes& in, std::uint32_t nearTicks, std::size_t i,
            std::size_t& from) {
    Step step;
    step.tick = i;
    int lowest = 0;
    for (std::uint32_t k = timeline.first[i]; k < timeline.first[i + 1]; ++k) {
        const std::uint8_t note = timeline.notes[k];
        if (in.routed[note]) {
            if (step.routed.none() || survivalRank(note) < lowest) {
                lowest = survivalRank(note);
                step.alone = NoteSet();
                step.alone.set(note);
            }
            step.routed.set(note);
            step.routedNotes[step.routedCount++] = note;
        }
        if (in.tr4[note]) {
            step.fixedTr4.set(note);
        }
        if (in.tr5[note]) {
            step.fixedTr5.set(note);
        }
    }
    if (step.routed.none()) {
        return step;
    }
    const std::uint32_t tick = timeline.ticks[i];
    while (nearTicks != 0 && timeline.ticks[from] + std::uint64_t(nearTicks) <= tick) {
        ++from;
    }
    for (std::size_t j = nearTicks == 0 ? i : from; j < i; ++j) {
        for (std::uint32_t k = timeline.first[j]; k < timeline.first[j + 1]; ++k) {
            const std::uint8_t note = timeline.notes[k];
            if (in.routed[note]) {
                step.recentRouted.set(note);
            }
            if (in.tr4[note]) {
                step.recentTr4.set(note);
            }
            if (in.tr5[note]) {
                step.recentTr5.set(note);
            }
        }
    }
    const bool after = nearTicks != 0 && i + 1 < timeline.ticks.size() && timeline.ticks[i + 1] - tick < nearTicks;
    step.nearby = from < i || after;
    std::array<int, kAloneTr5 + 1> measures;
    for (int p = kAllTr4; p <= kAloneTr5; ++p) {
        measures[std::size_t(p)] = placementMeasure(step, placed(step, State(), p));
    }
    step.best = *std::min_element(measures.begin(), measures.end());
    for (int p = kAllTr4; p <= kAloneTr5; ++p) {
        step.fewest[std::size_t(p)] = measures[std::size_t(p)] == step.best;
    }
    return step;
}

// The placements a state may take at a step. Away from near hits, a note
// keeps its track wherever that leaves the fewest clashes: a switch there
// can as well wait for the tick that needs it.
std::array<bool, kPlacements> choicesAt(const Step& step, const State& state) {
    std::array<bool, kPlacements> choices{};
    // A lone note kept where it was is one of the placements measured already.
    const bool lone = step.routedCount == 1;
    const bool keepIsFewest =
        lone ? step.fewest[state.tr5[step.routedNotes[0]] ? kAllTr5 : kAllTr4]
             : placementMeasure(step, placed(step, state, kKeep)) == step.best;
    const bool anyNew = (step.routed & ~state.struck).any();
    const bool newTr5IsFewest =
        anyNew && (lone ? step.fewest[kAllTr5] : placementMeasure(step, placed(step, state, kKeepNewTr5)) == step.best);
    choices[kKeep] = keepIsFewest;
    choices[kKeepNewTr5] = newTr5IsFewest;
    if (!(keepIsFewest || newTr5IsFewest) || step.nearby) {
        for (int p = kAllTr4; p <= kAloneTr5; ++p) {
            choices[std::size_t(p)] = step.fewest[std::size_t(p)];
        }
    }
    // Two placements that send every note to the same track are one.
    if (step.routed.count() == 1) {
        choices[kAloneTr4] = choices[kAloneTr5] = false;
    }
    return choices;
}

// What the search remembers of the ticks at which the states branched: each
// kept state's parent and placement, the states of branching r being
// [start[r], start[r + 1]) of the two lists.
struct Branchings {
    std::vector<std::uint32_t> tick;   // a song file has fewer than 2^32 bytes, so fewer ticks
    std::vector<std::uint32_t> start{0};
    std::vector<std::uint8_t> parents;
    std::vector<std::uint8_t> placements;
};

// The state that `state` becomes with `placement` at `step`.
State childOf(const Step& step, const State& state, int placement, std::size_t parent) {
    const NoteSet toTr5 = placed(step, state, placement);
    State child = state;
    child.shortened += hitsCutShort(step, state, toTr5);
    child.switches += ((toTr5 ^ state.tr5) & step.routed & state.struck).count();
    for (std::size_t k = 0; k < step.routedCount; ++k) {
        const std::uint8_t note = step.routedNotes[k];
        if (state.struck[note]) {
            child.hash ^= noteKey(note, state.tr5[note]);
        }
        child.hash ^= noteKey(note, toTr5[note]);
    }
    child.tr5 = (state.tr5 & ~step.routed) | toTr5;
    child.struck |= step.routed;
    child.parent = std::uint8_t(parent);
    child.placement = std::uint8_t(placement);
    return child;
}

constexpr std::size_t kBeamWidth = 64;

// States expanded in all, at most: past it, the search goes on with one state,
// so that a song of any length is routed in a bounded time, some 150 ms on a
// 2.6 GHz core; counting states rather than time keeps the routing the same
// on every machine.
constexpr std::size_t kRoutingBudget = 1'000'000;

}  // namespace

HitRouting routeHits(const DrumTimeline& timeline, const AssignmentMap& assignments, std::uint32_t nearTicks) {
    HitRouting routing;
    const DrumTrackNotes in = drumTrackNotes(assignments);
    if (in.routed.none()) {
        return routing;
    }
    const std::size_t tickCount = timeline.ticks.size();
    std::vector<State> beam(1);
    std::vector<State> next;
    std::vector<Rank> order;
    Branchings branchings;
    std::size_t budget = kRoutingBudget;
    std::size_t from = 0;
    for (std::size_t i = 0; i < tickCount; ++i) {
        const Step step = stepAt(timeline, in, nearTicks, i, from);
        if (step.routed.none()) {
            continue;
        }
        next.clear();
        bool branched = false;
        for (std::size_t b = 0; b < beam.size(); ++b) {
            const std::array<bool, kPlacements> choices = choicesAt(step, beam[b]);
            for (int p = 0; p < kPlacements; ++p) {
                if (choices[std::size_t(p)]) {
                    next.push_back(childOf(step, beam[b], p, b));
                    branched = branched || p != kKeep || next.back().shortened != beam[b].shortened;
                }
            }
        }
        budget -= std::min(budget, next.size());
        if (!branched && next.size() == beam.size()) {
            // Every state kept its notes' tracks: nothing to remember.
            beam.swap(next);
            continue;
        }
        // Equal routings meet when sorted by their hash, the cheapest first: only it stays.
        order.clear();
        for (std::uint32_t k = 0; k < next.size(); ++k) {
            order.push_back(Rank{next[k].shortened, next[k].switches, next[k].hash, k});
        }
        std::sort(order.begin(), order.end(), [](const Rank& a, const Rank& b) {
            return std::tie(a.hash, a.shortened, a.switches, a.index) < std::tie(b.hash, b.shortened, b.switches, b.index);
        });
        std::size_t kept = 0;
        for (std::size_t k = 0; k < order.size(); ++k) {
            if (kept == 0 || order[kept - 1].hash != order[k].hash ||
                !sameRouting(next[order[kept - 1].index], next[order[k].index])) {
                order[kept++] = order[k];
            }
        }
        order.resize(kept);
        const auto cheaper = [](const Rank& a, const Rank& b) {
            return std::tie(a.shortened, a.switches, a.hash, a.index) < std::tie(b.shortened, b.switches, b.hash, b.index);
        };
        const std::size_t width = std::min(order.size(), budget == 0 ? std::size_t(1) : kBeamWidth);
        std::nth_element(order.begin(), order.begin() + std::ptrdiff_t(width - 1), order.end(), cheaper);
        std::sort(order.begin(), order.begin() + std::ptrdiff_t(width), cheaper);
        beam.clear();
        for (std::size_t k = 0; k < width; ++k) {
            beam.push_back(next[order[k].index]);
        }
        for (std::size_t k = width; routing.exact && k < order.size(); ++k) {
            routing.exact = covers(beam.front(), next[order[k].index]);
        }
        branchings.tick.push_back(std::uint32_t(i));
        for (const State& state : beam) {
            branchings.parents.push_back(state.parent);
            branchings.placements.push_back(state.placement);
        }
        branchings.start.push_back(std::uint32_t(branchings.parents.size()));
    }

    // The best routing's placement at each tick where the states branched,
    // from the last such tick back.
    const std::size_t count = branchings.tick.size();
    std::vector<std::uint8_t> chosen(count);
    std::size_t at = 0;
    for (std::size_t r = count; r-- > 0;) {
        chosen[r] = branchings.placements[branchings.start[r] + at];
        at = branchings.parents[branchings.start[r] + at];
    }
    routing.tr5.assign(timeline.notes.size(), 0);
    State state;
    from = 0;
    for (std::size_t i = 0, r = 0; i < tickCount; ++i) {
        const Step step = stepAt(timeline, in, nearTicks, i, from);
        if (step.routed.none()) {
            continue;
        }
        const int placement = r < count && branchings.tick[r] == i ? chosen[r++] : int(kKeep);
        state = childOf(step, state, placement, 0);
        for (std::uint32_t k = timeline.first[i]; k < timeline.first[i + 1]; ++k) {
            routing.tr5[k] = state.tr5[timeline.notes[k]] && step.routed[timeline.notes[k]];
        }
    }
    routing.switches = state.switches;
    return routing;
}
