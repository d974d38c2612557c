#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "clashes/clash_count.h"
#include "smf/event_order.h"
#include "split/hit_routing.h"
#include "split/split_test_support.h"
#include "split/splitter.h"

namespace {

using Ticks = std::map<std::uint32_t, std::vector<std::uint8_t>>;

std::vector<Track> songOf(const Ticks& ticks) {
    Track track;
    for (const auto& [tick, notes] : ticks) {
        for (const std::uint8_t note : notes) {
            track.push_back(on(tick, note));
        }
    }
    return {track};
}

struct Routed {
    DrumTimeline timeline;
    HitRouting routing;
    ClashCounts counts;
};

Routed routed(const std::vector<Track>& song, const AssignmentMap& targets, std::uint32_t nearTicks = 0) {
    Routed r;
    r.timeline = drumTimeline(sortedDrumHits(song));
    r.routing = routeHits(r.timeline, targets, nearTicks);
    r.counts = countClashes(r.timeline, targets, r.routing, nearTicks);
    return r;
}

// The track (0 TR4, 1 TR5) that the hit of `note` at `tick` went to.
int sideOf(const Routed& r, std::uint32_t tick, std::uint8_t note) {
    const std::size_t i = std::size_t(std::find(r.timeline.ticks.begin(), r.timeline.ticks.end(), tick) - r.timeline.ticks.begin());
    for (std::uint32_t k = r.timeline.first[i]; k < r.timeline.first[i + 1]; ++k) {
        if (r.timeline.notes[k] == note) {
            return r.routing.tr5[k];
        }
    }
    return -1;
}

TEST(HitRouting, EachTickLeavesTheFewestClashesThatAnyRoutingCan) {
    const struct {
        const char* name;
        Ticks ticks;
        AssignmentMap targets;
        std::size_t clashes;
    } cases[] = {
        // Three notes striking in every pair: whole notes leave one clash, hits none.
        {"triangle", {{0, {36, 38}}, {10, {36, 42}}, {20, {38, 42}}}, {{36, AUTO}, {38, AUTO}, {42, AUTO}}, 0},
        {"three at once", {{0, {36, 38, 42}}}, {{36, AUTO}, {38, AUTO}, {42, AUTO}}, 1},
        // One BOTH note: the others all go to one track, which clashes once.
        {"beside BOTH", {{0, {36, 38, 49}}}, {{36, AUTO}, {38, AUTO}, {49, BOTH}}, 1},
        {"beside two BOTH", {{0, {36, 49, 57}}}, {{36, AUTO}, {49, BOTH}, {57, BOTH}}, 2},
        {"around fixed notes", {{0, {36, 38}}, {5, {38, 42}}}, {{36, TR4}, {38, AUTO}, {42, TR5}}, 0},
        {"whole notes only", {{0, {36, 38}}, {10, {36, 42}}, {20, {38, 42}}}, {{36, TR4}, {38, TR5}, {42, TR5}}, 1},
    };
    for (const auto& c : cases) {
        const Routed r = routed(songOf(c.ticks), c.targets);
        EXPECT_EQ(r.counts.tr4 + r.counts.tr5, c.clashes) << c.name;
    }
}

TEST(HitRouting, OfThreeNotesTheOneThatMattersMostIsHeardAlone) {
    // Closed hi-hat, snare, kick, crash: the kick is alone, the rest together.
    const Routed r = routed(songOf({{0, {42, 38, 36, 49}}}), {{36, AUTO}, {38, AUTO}, {42, AUTO}, {49, AUTO}});
    const int kick = sideOf(r, 0, 36);
    for (const std::uint8_t other : {38, 42, 49}) {
        EXPECT_NE(sideOf(r, 0, other), kick) << int(other);
    }
    EXPECT_LT(survivalRank(36), survivalRank(38));
    EXPECT_LT(survivalRank(38), survivalRank(49));
    EXPECT_LT(survivalRank(49), survivalRank(42));
    EXPECT_LT(survivalRank(81), survivalRank(34));
}

TEST(HitRouting, NotesKeepTheirTrackUnlessATickNeedsThemElsewhere) {
    // Kick and snare apart bar after bar, the hi-hat alone between them: no switch.
    Ticks ticks;
    for (std::uint32_t t = 0; t < 960 * 8; t += 480) {
        ticks[t] = {36, 38};
        ticks[t + 240] = {42};
    }
    const Routed apart = routed(songOf(ticks), {{36, AUTO}, {38, AUTO}, {42, AUTO}});
    EXPECT_EQ(apart.routing.switches, 0u);
    EXPECT_EQ(apart.counts.tr4 + apart.counts.tr5, 0u);

    // A fixed TR4 note pushes the kick to TR5 at one tick only: it switches there and back.
    ticks[960] = {36, 40};
    const Routed pushed = routed(songOf(ticks), {{36, AUTO}, {38, AUTO}, {42, AUTO}, {40, TR4}});
    EXPECT_EQ(pushed.counts.tr4 + pushed.counts.tr5, 0u);
    EXPECT_LE(pushed.routing.switches, 2u);
}

TEST(HitRouting, NearHitsArePartedWhereTheWindowSeesThem) {
    // A flam: the snare 5 ticks after the kick, each alone on its tick.
    const std::vector<Track> flam = songOf({{0, {36}}, {5, {38}}, {480, {36}}, {485, {38}}});
    const AssignmentMap targets = {{36, AUTO}, {38, AUTO}};
    const Routed parted = routed(flam, targets, 15);
    EXPECT_EQ(parted.counts.nearTr4 + parted.counts.nearTr5, 0u);
    EXPECT_NE(sideOf(parted, 0, 36), sideOf(parted, 5, 38));

    // Whole notes in one track: each kick is cut short by the snare after it.
    const Routed together = routed(flam, {{36, TR4}, {38, TR4}}, 15);
    EXPECT_EQ(together.counts.nearTr4, 2u);
    EXPECT_EQ(together.counts.perNoteNear[36], 2u);
    EXPECT_EQ(together.counts.perNoteNear[38], 0u);
    // Outside the window, or with none, nothing is near.
    EXPECT_EQ(routed(flam, {{36, TR4}, {38, TR4}}, 5).counts.nearTr4, 0u);
    EXPECT_EQ(routed(flam, {{36, TR4}, {38, TR4}}, 0).counts.nearTr4, 0u);
}

TEST(HitRouting, NearWindowFollowsTheDivision) {
    const struct {
        NearWindow window;
        std::uint16_t division;
        std::uint32_t ticks;
    } cases[] = {
        {{32, 0}, 480, 15}, {{64, 0}, 480, 8}, {{16, 0}, 96, 6}, {{64, 0}, 24, 1},
        {{0, 0}, 480, 0},   {{0, 10}, 480, 10}, {{32, 0}, 0xE728, 0}, {{0, 7}, 0xE728, 7},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nearWindowTicks(c.window, c.division), c.ticks) << c.window.perQuarter << " " << c.division;
    }
}

// For random songs, the fewest clashes at each tick over every way its notes
// on AUTO could go, found by trying them all, added up: what the routing must give.
TEST(HitRouting, RandomSongsReachTheFloorOfEveryTick) {
    std::mt19937 random(20261207);
    const DrumTarget kTargets[] = {TR4, TR5, BOTH, AUTO, AUTO, AUTO};
    for (int song = 0; song < 200; ++song) {
        AssignmentMap targets;
        for (std::uint8_t note = 35; note < 43; ++note) {
            targets[note] = kTargets[random() % 6];
        }
        Ticks ticks;
        for (std::uint32_t t = 0; t < 40; ++t) {
            std::set<std::uint8_t> notes;
            for (std::uint32_t k = random() % 6; k > 0; --k) {
                notes.insert(std::uint8_t(35 + random() % 8));
            }
            if (!notes.empty()) {
                ticks[t * 3] = {notes.begin(), notes.end()};
            }
        }
        std::size_t floor = 0;
        for (const auto& [tick, notes] : ticks) {
            std::vector<std::uint8_t> routedNotes;
            std::size_t fixedTr4 = 0, fixedTr5 = 0;
            for (const std::uint8_t note : notes) {
                const DrumTarget target = targets[note];
                if (target == AUTO) {
                    routedNotes.push_back(note);
                }
                fixedTr4 += target == TR4 || target == BOTH;
                fixedTr5 += target == TR5 || target == BOTH;
            }
            std::size_t best = 2;
            for (std::uint32_t mask = 0; mask < (1u << routedNotes.size()); ++mask) {
                const std::size_t toTr5 = std::size_t(__builtin_popcount(mask));
                const std::size_t tr4 = fixedTr4 + routedNotes.size() - toTr5;
                best = std::min<std::size_t>(best, (tr4 >= 2) + (fixedTr5 + toTr5 >= 2));
            }
            floor += best;
        }
        const Routed r = routed(songOf(ticks), targets, song % 2 == 0 ? 0 : 4);
        ASSERT_EQ(r.counts.tr4 + r.counts.tr5, floor) << "song " << song;
    }
}

TEST(HitRouting, AReleaseFollowsTheLatestSoundingHitOfItsNoteInItsTrack) {
    // The kick sounds twice at once: at 0 beside a fixed TR5 note, so in TR4;
    // at 10 beside a fixed TR4 note, so in TR5. The first release ends the later hit.
    const std::vector<Track> tracks = {{on(0, 36), on(0, 38), on(10, 36), on(10, 40), off(20, 36), off(30, 36)}};
    const AssignmentMap targets = {{36, AUTO}, {38, TR5}, {40, TR4}};
    SplitResult split = splitDrumEvents(tracks, targets);
    routeHitsOfSplit(split, tracks, targets, 0);
    ASSERT_TRUE(split.routed);
    const auto kicks = [](const EventRefs& events) {
        std::vector<std::pair<std::uint32_t, bool>> found;  // tick, note-on
        for (const MidiEvent* e : events) {
            if (e->data[0] == 36) {
                found.emplace_back(e->tick, isNoteStart(*e));
            }
        }
        return found;
    };
    using Kicks = std::vector<std::pair<std::uint32_t, bool>>;
    EXPECT_EQ(kicks(split.tr4Events), (Kicks{{0, true}, {30, false}}));
    EXPECT_EQ(kicks(split.tr5Events), (Kicks{{10, true}, {20, false}}));

    // The same hits from two tracks, each released in its own: the release at
    // 20 ends the earlier hit, which its track struck.
    const std::vector<Track> apart = {{on(0, 36), on(0, 38), off(20, 36)}, {on(10, 36), on(10, 40), off(30, 36)}};
    SplitResult split2 = splitDrumEvents(apart, targets);
    orderEvents(split2.drums);  // as a save puts them before it routes them
    routeHitsOfSplit(split2, apart, targets, 0);
    EXPECT_EQ(kicks(split2.tr4Events), (Kicks{{0, true}, {20, false}}));
    EXPECT_EQ(kicks(split2.tr5Events), (Kicks{{10, true}, {30, false}}));
}

}  // namespace
