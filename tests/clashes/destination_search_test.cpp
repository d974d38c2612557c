#include <gtest/gtest.h>

#include <random>

#include "clashes/clash_count.h"
#include "clashes/destination_search.h"
#include "clashes/destination_search_internal.h"
#include "split/split_test_support.h"

namespace {

MidiEvent hit(std::uint32_t tick, std::uint8_t note) { return ev(tick, 0x99, {note, 0x64}); }

// The clashing ticks of both drum tracks that `destinations` gives.
std::size_t clashingTicks(const std::vector<Track>& tracks, const AssignmentMap& destinations) {
    const ClashCounts counts = countClashes(findChords(tracks), destinations);
    return counts.tr4 + counts.tr5;
}

// Every choice of sides, tried one by one: what the searches must match.
SideChoice bruteForce(const std::vector<HitGroup>& groups, std::size_t n, const std::vector<bool>& preferred,
                      const std::vector<bool>& anySide) {
    SideChoice best;
    bool found = false;
    for (std::uint32_t bits = 0; bits < (1u << n); ++bits) {
        std::vector<bool> tr5(n);
        std::size_t changes = 0;
        for (std::size_t i = 0; i < n; ++i) {
            tr5[i] = (bits >> i) & 1;
            changes += anySide[i] || tr5[i] != preferred[i];
        }
        const std::size_t cost = costOfSides(groups, tr5);
        if (!found || cost < best.cost || (cost == best.cost && changes < best.changes)) {
            best = SideChoice{tr5, cost, changes};
            found = true;
        }
    }
    return best;
}

struct RandomProblem {
    std::vector<HitGroup> groups;
    std::vector<bool> preferred, anySide;
};

RandomProblem randomProblem(std::mt19937& random, std::size_t n) {
    RandomProblem p;
    std::uniform_int_distribution<int> coin(0, 1), small(0, 3), weight(1, 20);
    for (std::size_t i = 0; i < n; ++i) {
        p.preferred.push_back(coin(random));
        p.anySide.push_back(small(random) == 0);
    }
    const int groupCount = 1 + int(random() % (3 * n + 1));
    for (int g = 0; g < groupCount; ++g) {
        HitGroup group;
        for (std::uint32_t i = 0; i < n; ++i) {
            if (small(random) == 0) {
                group.notes.push_back(i);
            }
        }
        group.fixedTr4 = small(random) == 0;
        group.fixedTr5 = small(random) == 0;
        group.weight = std::size_t(weight(random));
        p.groups.push_back(group);
    }
    return p;
}

TEST(ChooseSides, ExactSearchMatchesBruteForce) {
    std::mt19937 random(2026);
    for (int round = 0; round < 300; ++round) {
        const std::size_t n = 1 + round % 12;
        const RandomProblem p = randomProblem(random, n);
        const SideChoice expected = bruteForce(p.groups, n, p.preferred, p.anySide);
        const HitGroups flat = flatGroups(p.groups, n);
        const SideChoice exact = chooseSides(flat, p.preferred, p.anySide, kSearchBudget);
        ASSERT_TRUE(exact.exact) << "round " << round;
        ASSERT_EQ(exact.cost, expected.cost) << "round " << round;
        ASSERT_EQ(exact.changes, expected.changes) << "round " << round;
        ASSERT_EQ(costOfSides(p.groups, exact.tr5), exact.cost) << "round " << round;

        // The local search is never worse than where it starts, nor better than the optimum.
        std::size_t budget = kSearchBudget;
        const SideChoice local = improveLocally(flat, p.preferred, p.anySide, budget);
        EXPECT_GE(local.cost, expected.cost);
        EXPECT_LE(local.cost, costOfSides(p.groups, p.preferred));
        EXPECT_EQ(costOfSides(p.groups, local.tr5), local.cost);

        // Cut short, the search still answers with a choice no worse than the local search's.
        const SideChoice cut = chooseSides(flat, p.preferred, p.anySide, kSearchBudget - budget + 5);
        EXPECT_LE(cut.cost, local.cost);
        EXPECT_EQ(costOfSides(p.groups, cut.tr5), cut.cost);
    }
}

TEST(ChooseSides, BestProposalIsKept) {
    // Notes 0 and 1 clash when together; the proposal already splits them.
    const std::vector<HitGroup> groups = {HitGroup{{0, 1}, 0, 0, 5}};
    const SideChoice choice = chooseSides(flatGroups(groups, 2), {false, true}, {false, false}, kSearchBudget);
    EXPECT_EQ(choice.tr5, (std::vector<bool>{false, true}));
    EXPECT_EQ(choice.cost, 0u);
    EXPECT_EQ(choice.changes, 0u);
}

TEST(SuggestDestinations, SeparatesClashingNotesAndKeepsOverrides) {
    // 36 with 38 on four ticks, 36 with 42 on two, 38 with 42 on one.
    std::vector<Track> tracks(1);
    for (std::uint32_t t = 0; t < 4; ++t) {
        tracks[0].push_back(hit(t * 10, 36));
        tracks[0].push_back(hit(t * 10, 38));
    }
    for (std::uint32_t t = 0; t < 2; ++t) {
        tracks[0].push_back(hit(100 + t, 36));
        tracks[0].push_back(hit(100 + t, 42));
    }
    tracks[0].push_back(hit(200, 38));
    tracks[0].push_back(hit(200, 42));
    const AssignmentMap proposal = {{36, TR4}, {38, TR4}, {42, TR4}};
    ASSERT_EQ(clashingTicks(tracks, proposal), 7u);

    const AssignmentMap best = suggestDestinations(findChords(tracks), proposal, {}).destinations;
    EXPECT_EQ(clashingTicks(tracks, best), 1u);
    EXPECT_NE(best.at(36), best.at(38));
    EXPECT_EQ(best.size(), 3u);

    // 36 and 38 forced together: 42 goes to the other track.
    const AssignmentMap fixed = {{36, TR5}, {38, TR5}};
    const AssignmentMap around = suggestDestinations(findChords(tracks), proposal, fixed).destinations;
    EXPECT_EQ(around.at(36), TR5);
    EXPECT_EQ(around.at(38), TR5);
    EXPECT_EQ(around.at(42), TR4);
    EXPECT_EQ(clashingTicks(tracks, around), 4u);

    // Every note fixed: nothing to choose, and nothing to search.
    const AssignmentMap allFixed = {{36, TR5}, {38, BOTH}, {42, TR4}};
    const Suggestion kept = suggestDestinations(findChords(tracks), proposal, allFixed);
    EXPECT_EQ(kept.destinations, allFixed);
    EXPECT_TRUE(kept.exact);

    // A fixed BOTH clashes in both tracks with whatever shares its ticks.
    const AssignmentMap both = suggestDestinations(findChords(tracks), proposal, {{36, BOTH}}).destinations;
    EXPECT_EQ(both.at(36), BOTH);
    EXPECT_EQ(clashingTicks(tracks, both), 4u + 2u + 0u);
}

TEST(SuggestDestinations, NoChoiceOfTr4AndTr5LeavesFewerClashes) {
    // Random songs: the choice is checked against the clash count, not the
    // search's own cost function.
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        std::vector<Track> tracks(3);
        for (int i = 0; i < 60; ++i) {
            tracks[random() % 3].push_back(hit(std::uint32_t(random() % 20), std::uint8_t(35 + random() % 6)));
        }
        for (Track& t : tracks) {
            std::stable_sort(t.begin(), t.end(), [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });
        }
        AssignmentMap proposal;
        for (std::uint8_t n = 35; n < 41; ++n) {
            proposal[n] = DrumTarget(random() % 2);
        }
        const AssignmentMap best = suggestDestinations(findChords(tracks), proposal, {}).destinations;
        EXPECT_LE(clashingTicks(tracks, best), clashingTicks(tracks, proposal)) << round;
        // No other choice of TR4 and TR5 does better.
        for (std::uint32_t bits = 0; bits < 64; ++bits) {
            AssignmentMap other;
            for (std::uint8_t n = 35; n < 41; ++n) {
                other[n] = (bits >> (n - 35)) & 1 ? TR5 : TR4;
            }
            ASSERT_GE(clashingTicks(tracks, other), clashingTicks(tracks, best)) << round;
        }
    }
}

}  // namespace
