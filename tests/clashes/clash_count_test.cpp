#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>

#include "clashes/clash_count.h"
#include "split/split_test_support.h"

namespace {

MidiEvent hit(std::uint32_t tick, std::uint8_t note) { return ev(tick, 0x99, {note, 0x64}); }

ClashReport reportOf(const std::vector<Track>& tracks, const AssignmentMap& destinations) {
    return reportClashes(findDrumTicks(tracks), destinations);
}

TEST(ClashAnalysis, CountsDifferentNotesStartingTogetherInOneTrack) {
    // Track 1: 36 and 38 together at 0; 36, 38 and 42 together at 10; 36 alone at 20.
    // Track 2: 42 at 20, together with track 1's 36 once both stand in TR4.
    const std::vector<Track> tracks = {
        {hit(0, 36), hit(0, 38), hit(10, 36), hit(10, 38), hit(10, 42), hit(20, 36)},
        {hit(20, 42)},
    };
    const ClashReport report = reportOf(tracks, {{36, TR4}, {38, TR4}, {42, TR4}});
    EXPECT_EQ(report.tr4.ticks, 3u);
    EXPECT_EQ(report.tr4.largest, 3u);
    EXPECT_EQ(report.tr4.selfClashTicks, 0u);
    EXPECT_EQ(report.tr5.ticks, 0u);
    EXPECT_EQ(report.tr5.largest, 0u);

    // 38 moved to TR5: only the chords with 42 and 36 stay in TR4.
    const ClashReport moved = reportOf(tracks, {{36, TR4}, {38, TR5}, {42, TR4}});
    EXPECT_EQ(moved.tr4.ticks, 2u);
    EXPECT_EQ(moved.tr5.ticks, 0u);
    EXPECT_EQ(moved.tr5.largest, 1u);
}

TEST(ClashAnalysis, BothCountsInBothTracks) {
    const std::vector<Track> tracks = {{hit(0, 36), hit(0, 42), hit(5, 38), hit(5, 42)}};
    const ClashReport report = reportOf(tracks, {{36, TR4}, {38, TR5}, {42, BOTH}});
    EXPECT_EQ(report.tr4.ticks, 1u);
    EXPECT_EQ(report.tr5.ticks, 1u);
}

TEST(ClashAnalysis, OnlySoundingNoteOnsCount) {
    const std::vector<Track> tracks = {{
        hit(0, 36),
        off(0, 38),                    // a release
        ev(0, 0x99, {40, 0x00}),       // a release as a velocity-0 note-on
        ev(0, 0xA9, {42, 0x40}),       // pressure on another note
        ev(0, 0xB9, {0x07, 0x64}),     // a controller
        ev(0, 0x90, {44, 0x64}),       // a note on another channel
    }};
    const ClashReport report = reportOf(tracks, {{36, TR4}, {38, TR4}, {40, TR4}});
    EXPECT_EQ(report.tr4.ticks, 0u);
    EXPECT_EQ(report.tr4.largest, 1u);
}

TEST(ClashAnalysis, SameNoteStruckTwiceIsCountedApart) {
    // 36 in two source tracks at tick 0; at tick 10 also with 38.
    const std::vector<Track> tracks = {{hit(0, 36), hit(10, 36), hit(10, 38)}, {hit(0, 36), hit(10, 36)}};
    const ClashReport report = reportOf(tracks, {{36, TR4}, {38, TR4}});
    EXPECT_EQ(report.tr4.selfClashTicks, 2u);
    EXPECT_EQ(report.tr4.ticks, 1u);
    EXPECT_EQ(report.tr4.largest, 2u);
}

// The clashes of one drum track as the header defines them, one tick at a time.
TrackClashes clashesTickByTick(const std::vector<Track>& tracks, const std::set<int>& trackNotes) {
    std::map<std::uint32_t, std::multiset<int>> notesAt;
    for (const Track& track : tracks) {
        for (const MidiEvent& e : track) {
            if (isDrumHit(e) && trackNotes.count(e.data[0]) != 0) {
                notesAt[e.tick].insert(e.data[0]);
            }
        }
    }
    TrackClashes clashes;
    for (const auto& [tick, notes] : notesAt) {
        const std::size_t different = std::set<int>(notes.begin(), notes.end()).size();
        clashes.ticks += different >= 2;
        clashes.largest = std::max(clashes.largest, different);
        clashes.selfClashTicks += different < notes.size();
    }
    return clashes;
}

void expectSameClashes(const TrackClashes& found, const TrackClashes& expected, const std::string& where) {
    EXPECT_EQ(found.ticks, expected.ticks) << where;
    EXPECT_EQ(found.largest, expected.largest) << where;
    EXPECT_EQ(found.selfClashTicks, expected.selfClashTicks) << where;
}

TEST(ClashAnalysis, EveryCountIsThatOfTheTicksTakenOneByOne) {
    // Random songs of up to eight notes over up to four tracks, with repeats,
    // releases, notes with bit 7 set and notes the destinations leave out
    // (TR4), on enough ticks for the sort that large songs take.
    std::mt19937 random(17);
    const std::uint8_t notes[8] = {35, 36, 38, 42, 46, 49, 0x80, 0xFF};
    for (int round = 0; round < 60; ++round) {
        std::vector<Track> tracks(1 + random() % 4);
        const int hits = round % 10 == 0 ? 20'000 : 120;
        for (int i = 0; i < hits; ++i) {
            const std::uint32_t tick = std::uint32_t(random() % std::uint32_t(hits / 3));
            const std::uint8_t velocity = random() % 8 == 0 ? 0 : 0x64;
            tracks[random() % tracks.size()].push_back(ev(tick, 0x99, {notes[random() % 8], velocity}));
        }
        AssignmentMap destinations;
        std::set<int> tr4, tr5;
        for (int note = 0; note < 256; ++note) {
            const auto listed = std::find(std::begin(notes), std::end(notes), note) != std::end(notes);
            const DrumTarget target = DrumTarget(random() % 3);
            if (listed && random() % 4 != 0) {
                destinations[note] = target;
            }
            const DrumTarget effective = destinations.count(note) != 0 ? target : TR4;
            if (effective != TR5) {
                tr4.insert(note);
            }
            if (effective != TR4) {
                tr5.insert(note);
            }
        }
        const TrackClashes expectedTr4 = clashesTickByTick(tracks, tr4);
        const TrackClashes expectedTr5 = clashesTickByTick(tracks, tr5);
        const std::string where = "round " + std::to_string(round);
        const DrumTicks drumTicks = findDrumTicks(tracks);
        const ClashReport report = reportClashes(drumTicks, destinations);
        expectSameClashes(report.tr4, expectedTr4, where + ", TR4");
        expectSameClashes(report.tr5, expectedTr5, where + ", TR5");
        // The window's totals, from the same chords.
        const ClashCounts counts = countClashes(drumTicks.chords, destinations);
        EXPECT_EQ(counts.tr4, expectedTr4.ticks) << where;
        EXPECT_EQ(counts.tr5, expectedTr5.ticks) << where;
        // Each note's first clashing ticks, as the places of the whole count list them.
        std::vector<ClashPlace> places;
        countClashes(drumTicks.timeline, destinations, HitRouting(), 0, &places);
        for (const std::uint8_t note : notes) {
            std::vector<std::uint32_t> ticks;
            for (const ClashPlace& place : places) {
                const bool holds = std::find(place.notes.begin(), place.notes.end(), note) != place.notes.end();
                if (holds && (ticks.empty() || ticks.back() != place.tick) && ticks.size() < 4) {
                    ticks.push_back(place.tick);
                }
            }
            EXPECT_EQ(firstClashTicks(drumTicks.timeline, destinations, HitRouting(), note, 4), ticks) << where;
        }
    }
}

TEST(ClashAnalysis, ATrackWhoseNotesNeverMeetHasOneNoteAtOnce) {
    // 42 alone in TR5, struck twice at 10: no chord holds it, yet it is struck.
    const std::vector<Track> tracks = {{hit(0, 36), hit(0, 38), hit(10, 42)}, {hit(10, 42)}};
    const AssignmentMap destinations = {{36, TR4}, {38, TR4}, {42, TR5}};
    const ClashReport report = reportOf(tracks, destinations);
    EXPECT_EQ(report.tr5.largest, 1u);
    EXPECT_EQ(report.tr5.ticks, 0u);
    EXPECT_EQ(report.tr5.selfClashTicks, 1u);
    EXPECT_EQ(report.tr4.largest, 2u);
}

TEST(ClashCounts, EachNoteCountsTheTicksItSharesWithADifferentNoteOfItsTrack) {
    // 0: 36, 38 and 42 (twice: two tracks); 10: 36 and 46; 20: 42 alone, struck
    // twice; 30: 38 and 46; 40: 42 and 46; 50: 36 and 38 again.
    const std::vector<Track> tracks = {
        {hit(0, 36), hit(0, 38), hit(0, 42), hit(10, 36), hit(20, 42), hit(30, 38), hit(40, 42), hit(50, 36)},
        {hit(0, 42), hit(10, 46), hit(20, 42), hit(30, 46), hit(40, 46), hit(50, 38)},
    };
    const std::vector<DrumChord> chords = findChords(tracks);
    EXPECT_EQ(chords, (std::vector<DrumChord>{{{36, 38}, 1}, {{36, 38, 42}, 1}, {{36, 46}, 1}, {{38, 46}, 1}, {{42, 46}, 1}}));

    const struct {
        AssignmentMap destinations;
        std::size_t n36, n38, n42, n46, tr4, tr5;
    } cases[] = {
        {{{36, TR4}, {38, TR4}, {42, TR4}, {46, TR4}}, 3, 3, 2, 3, 5, 0},
        {{{36, TR4}, {38, TR5}, {42, TR4}, {46, TR5}}, 1, 1, 1, 1, 1, 1},
        // 42 on BOTH: with 36 in TR4 at 0, with 38 and 46 in TR5 at 0 and 40.
        {{{36, TR4}, {38, TR5}, {42, BOTH}, {46, TR5}}, 1, 2, 3, 2, 1, 3},
        // 46 missing: TR4, as the split sends it.
        {{{36, TR5}, {38, TR5}, {42, TR5}}, 2, 2, 1, 0, 0, 2},
    };
    for (const auto& c : cases) {
        const ClashCounts counts = countClashes(chords, c.destinations);
        EXPECT_EQ(counts.perNote[36], c.n36);
        EXPECT_EQ(counts.perNote[38], c.n38);
        EXPECT_EQ(counts.perNote[42], c.n42);
        EXPECT_EQ(counts.perNote[46], c.n46);
        EXPECT_EQ(counts.tr4, c.tr4);
        EXPECT_EQ(counts.tr5, c.tr5);
        EXPECT_EQ(counts.perNote[20], 0u);
    }
}

// The chords as the header defines them, found one tick at a time.
std::vector<DrumChord> chordsTickByTick(const std::vector<Track>& tracks) {
    std::map<std::uint32_t, std::set<std::uint8_t>> notesAt;
    for (const Track& track : tracks) {
        for (const MidiEvent& e : track) {
            if (isDrumHit(e)) {
                notesAt[e.tick].insert(e.data[0]);
            }
        }
    }
    std::map<std::vector<int>, std::size_t> ticksOf;  // ordered as the chords must be
    for (const auto& [tick, notes] : notesAt) {
        if (notes.size() >= 2) {
            ++ticksOf[std::vector<int>(notes.begin(), notes.end())];
        }
    }
    std::vector<DrumChord> chords;
    for (const auto& [notes, ticks] : ticksOf) {
        chords.push_back(DrumChord{std::vector<std::uint8_t>(notes.begin(), notes.end()), ticks});
    }
    return chords;
}

TEST(FindChords, GivesEachSetOfNotesStruckTogetherOnceInOrder) {
    // Songs large enough for the sorts that large songs take, chords that
    // share their first eight notes and differ after them, ticks near 2^32.
    const struct {
        const char* name;
        std::uint32_t ticks, step;
        int lowest, highest;  // the notes struck
        int fewest, most;     // hits at a tick, repeats included
        std::size_t tracks;
    } cases[] = {
        {"few ticks", 40, 10, 35, 42, 1, 4, 2},
        {"many ticks, few shapes", 9000, 10, 35, 40, 1, 4, 3},
        {"long chords sharing their first eight notes", 6000, 10, 30, 42, 8, 14, 4},
        {"every note number, bit 7 set included", 4095, 1u << 20, 0, 255, 1, 6, 8},
    };
    std::mt19937 random(31);
    for (const auto& c : cases) {
        std::vector<Track> tracks(c.tracks);
        std::uniform_int_distribution<int> note(c.lowest, c.highest), size(c.fewest, c.most);
        for (std::uint32_t i = 0; i < c.ticks; ++i) {
            const std::uint32_t tick = i * c.step;
            for (int k = size(random); k > 0; --k) {
                tracks[random() % c.tracks].push_back(hit(tick, std::uint8_t(note(random))));
            }
            // Neither a release nor a note of another channel makes a chord.
            tracks[0].push_back(ev(tick, 0x99, {std::uint8_t(note(random)), 0x00}));
            tracks[0].push_back(ev(tick, 0x90, {std::uint8_t(note(random)), 0x64}));
        }
        EXPECT_EQ(findChords(tracks), chordsTickByTick(tracks)) << c.name;
    }
}

}  // namespace
