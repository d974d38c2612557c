// The clash counts and the destination search, as the window runs them on its
// one thread: the chords found once per load, the recount after every change
// of destination, and "Fewest clashes" (the search that `suggest` runs too).
//
// Songs: the generated songs of the other benchmarks (drums among other
// channels), the demo groove, a groove made of drum events only, the hard case for the exact
// search (every pair of n notes struck together once), and a dense song of
// 128 notes in chords of three to eight, the most work a song can give it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "bench/song_generator.h"
#include "examples/groove.h"
#include "clashes/clash_count.h"
#include "clashes/destination_search.h"
#include "drums/drum_inventory.h"
#include "song/smf_reader.h"
#include "split/hit_routing.h"

namespace {

std::vector<Track> sortedByTick(std::vector<Track> tracks) {
    for (Track& t : tracks) {
        std::stable_sort(t.begin(), t.end(), [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });
    }
    return tracks;
}

// A groove on a sixteenth-note grid spread over four tracks, with fills and
// cymbals: 20 distinct notes, every event a drum event.
std::vector<Track> grooveSong(std::size_t drumEvents) {
    constexpr std::uint8_t kNotes[20] = {35, 36, 37, 38, 39, 40, 41, 42, 43, 44,
                                         45, 46, 47, 48, 49, 50, 51, 52, 55, 57};
    std::mt19937 random(20);
    std::vector<Track> tracks(5);
    tracks[0].push_back(MidiEvent{0, 0xFF, {0x51, 0x07, 0xA1, 0x20}, 3});
    std::size_t events = 0;
    for (std::uint32_t step = 0; events < drumEvents; ++step) {
        const std::uint32_t tick = step * 120;
        auto strike = [&](std::uint8_t note, std::size_t track) {
            tracks[track].push_back(MidiEvent{tick, 0x99, {note, 100}, 0});
            tracks[track].push_back(MidiEvent{tick + 60, 0x89, {note, 64}, 0});
            events += 2;
        };
        if (step % 2 == 0) {
            strike(42, 1);  // hats on eighths
        }
        if (step % 8 == 0) {
            strike(36, 2);  // kick on one and three
        }
        if (step % 8 == 4) {
            strike(38, 2);  // snare on two and four
        }
        if (random() % 5 == 0) {
            strike(kNotes[random() % 20], 3);  // toms, percussion, ghost notes
        }
        if (step % 64 == 0) {
            strike(random() % 2 ? 49 : 57, 4);  // a crash every four bars
        }
    }
    return sortedByTick(std::move(tracks));
}

// Every pair of `notes` notes starts together on a tick of its own: each
// choice of sides leaves the pairs within TR4 and within TR5 clashing, and
// the exact search's bound, which takes each pair alone, cuts little.
std::vector<Track> allPairsSong(std::uint8_t notes) {
    std::vector<Track> tracks(1);
    std::uint32_t tick = 0;
    for (std::uint8_t a = 0; a < notes; ++a) {
        for (std::uint8_t b = a + 1; b < notes; ++b, tick += 10) {
            for (const std::uint8_t note : {a, b}) {
                tracks[0].push_back(MidiEvent{tick, 0x99, {std::uint8_t(35 + note), 100}, 0});
                tracks[0].push_back(MidiEvent{tick + 5, 0x89, {std::uint8_t(35 + note), 0}, 0});
            }
        }
    }
    return tracks;
}

// 128 notes over eight tracks, struck in chords of three to eight on every
// tick, with no shape repeated much: as many chords as the song has ticks.
std::vector<Track> denseSong(std::size_t drumEvents) {
    std::mt19937 random(128);
    std::vector<Track> tracks(8);
    std::size_t events = 0;
    for (std::uint32_t tick = 0; events < drumEvents; tick += 10) {
        const std::size_t size = 3 + random() % 6;
        for (std::size_t k = 0; k < size; ++k) {
            const std::uint8_t note = std::uint8_t(random() % 128);
            Track& track = tracks[random() % tracks.size()];
            track.push_back(MidiEvent{tick, 0x99, {note, 100}, 0});
            track.push_back(MidiEvent{tick + 5, 0x89, {note, 0}, 0});
            events += 2;
        }
    }
    return sortedByTick(std::move(tracks));
}

std::vector<Track> generatedSong(std::size_t events, GeneratedLayout layout = GeneratedLayout::MultiTrack) {
    songData.bytes = generateSong(layout, events);
    parseSong();
    return songData.tracks;
}

std::size_t eventCount(const std::vector<Track>& tracks) {
    std::size_t events = 0;
    for (const Track& t : tracks) {
        events += t.size();
    }
    return events;
}

// Every note on TR4, as a song whose drums all sit in one track is proposed.
AssignmentMap allOnTr4(const std::vector<Track>& tracks) {
    AssignmentMap proposal;
    for (const Track& t : tracks) {
        for (const MidiEvent& e : t) {
            if (isDrumNoteEvent(e)) {
                proposal[e.data[0]] = TR4;
            }
        }
    }
    return proposal;
}

enum SongKind { kGenerated, kGroove, kDense, kDemo, kGeneratedSingle, kGeneratedBoth };

std::vector<Track> songOf(SongKind kind, std::size_t events) {
    switch (kind) {
        case kGenerated: return generatedSong(events);
        case kGroove: return grooveSong(events);
        case kDemo: return demoGroove();
        case kGeneratedSingle: return generatedSong(events, GeneratedLayout::SingleTrack);
        case kGeneratedBoth: return generatedSong(events, GeneratedLayout::DrumTracks4And5);
        default: return denseSong(events);
    }
}

const char* kSongNames[] = {"generated", "groove", "dense", "demo", "generated single", "generated both"};

void songLabel(benchmark::State& state, const std::vector<Track>& tracks, const std::vector<DrumChord>& chords) {
    state.SetLabel(kSongNames[state.range(0)]);
    state.counters["events"] = double(eventCount(tracks));
    state.counters["chords"] = double(chords.size());
}

// What a load adds: the chords of the song, found once.
void FindChords(benchmark::State& state) {
    const std::vector<Track> tracks = songOf(SongKind(state.range(0)), std::size_t(state.range(1)));
    std::vector<DrumChord> chords;
    for (auto _ : state) {
        chords = findChords(tracks);
    }
    songLabel(state, tracks, chords);
}

// What every change of destination costs in the window: the counts of every
// note and the totals, tick by tick with near clashes (1/32 of a quarter at 480).
void Recount(benchmark::State& state) {
    const std::vector<Track> tracks = songOf(SongKind(state.range(0)), std::size_t(state.range(1)));
    const DrumTicks drumTicks = findDrumTicks(tracks);
    AssignmentMap destinations = allOnTr4(tracks);
    std::size_t flip = 0;
    for (auto _ : state) {
        // One note moved, as by a double-click, then everything counted again.
        auto note = std::next(destinations.begin(), std::ptrdiff_t(flip++ % destinations.size()));
        note->second = note->second == TR4 ? TR5 : TR4;
        const HitRouting routing = routeHits(drumTicks.timeline, destinations, 15);
        benchmark::DoNotOptimize(countClashes(drumTicks.timeline, destinations, routing, 15));
    }
    songLabel(state, tracks, drumTicks.chords);
}

void reportSuggestion(benchmark::State& state, const std::vector<DrumChord>& chords, const AssignmentMap& proposal,
                      const Suggestion& suggestion) {
    const ClashCounts before = countClashes(chords, proposal);
    const ClashCounts after = countClashes(chords, suggestion.destinations);
    state.counters["notes"] = double(proposal.size());
    state.counters["before"] = double(before.tr4 + before.tr5);
    state.counters["after"] = double(after.tr4 + after.tr5);
    state.counters["exact"] = suggestion.exact ? 1 : 0;
}

// "Fewest clashes" from chords found at load, as the window runs it.
void FewestClashes(benchmark::State& state) {
    const std::vector<Track> tracks = songOf(SongKind(state.range(0)), std::size_t(state.range(1)));
    const std::vector<DrumChord> chords = findChords(tracks);
    const AssignmentMap proposal = allOnTr4(tracks);
    Suggestion suggestion;
    for (auto _ : state) {
        suggestion = suggestDestinations(chords, proposal, {});
    }
    songLabel(state, tracks, chords);
    reportSuggestion(state, chords, proposal, suggestion);
}

void FewestClashesAllPairs(benchmark::State& state) {
    const std::vector<Track> tracks = allPairsSong(std::uint8_t(state.range(0)));
    const std::vector<DrumChord> chords = findChords(tracks);
    const AssignmentMap proposal = allOnTr4(tracks);
    Suggestion suggestion;
    for (auto _ : state) {
        suggestion = suggestDestinations(chords, proposal, {});
    }
    reportSuggestion(state, chords, proposal, suggestion);
}

// The hits that no drum track plays: of the different notes that start on a
// tick, one per track that has any is heard.
std::size_t lostHits(const DrumTimeline& timeline, const AssignmentMap& destinations, const HitRouting& routing) {
    const DrumTrackNotes in = drumTrackNotes(destinations);
    std::size_t lost = 0;
    for (std::size_t i = 0; i + 1 < timeline.first.size(); ++i) {
        bool tr4 = false;
        bool tr5 = false;
        for (std::uint32_t k = timeline.first[i]; k < timeline.first[i + 1]; ++k) {
            const std::uint8_t note = timeline.notes[k];
            const bool routedTr5 = in.routed[note] && routing.tr5[k];
            tr4 = tr4 || in.tr4[note] || (in.routed[note] && !routedTr5);
            tr5 = tr5 || in.tr5[note] || routedTr5;
        }
        const std::size_t notes = timeline.first[i + 1] - timeline.first[i];
        lost += notes - std::min<std::size_t>(notes, std::size_t(tr4) + tr5);
    }
    return lost;
}

// Every hit routed on its own against whole notes where they clash least:
// the routing's time, and for both the clashing ticks and the hits lost.
void RouteEveryHit(benchmark::State& state) {
    const std::vector<Track> tracks = songOf(SongKind(state.range(0)), std::size_t(state.range(1)));
    const DrumTicks drumTicks = findDrumTicks(tracks);
    const AssignmentMap proposal = allOnTr4(tracks);
    const AssignmentMap wholeNotes = suggestDestinations(drumTicks.chords, proposal, {}).destinations;
    AssignmentMap everyHit = proposal;
    for (auto& [note, target] : everyHit) {
        target = AUTO;
    }
    const std::uint32_t nearTicks = std::uint32_t(state.range(2));
    HitRouting routing;
    for (auto _ : state) {
        routing = routeHits(drumTicks.timeline, everyHit, nearTicks);
    }
    const ClashCounts whole = countClashes(drumTicks.timeline, wholeNotes, HitRouting(), nearTicks);
    const ClashCounts routed = countClashes(drumTicks.timeline, everyHit, routing, nearTicks);
    state.SetLabel(kSongNames[state.range(0)]);
    state.counters["ticks"] = double(drumTicks.timeline.ticks.size());
    state.counters["noteClash"] = double(whole.tr4 + whole.tr5);
    state.counters["noteLost"] = double(lostHits(drumTicks.timeline, wholeNotes, HitRouting()));
    state.counters["noteNear"] = double(whole.nearTr4 + whole.nearTr5);
    state.counters["hitClash"] = double(routed.tr4 + routed.tr5);
    state.counters["hitLost"] = double(lostHits(drumTicks.timeline, everyHit, routing));
    state.counters["hitNear"] = double(routed.nearTr4 + routed.nearTr5);
    state.counters["switches"] = double(routing.switches);
    state.counters["exact"] = routing.exact ? 1 : 0;
}

// The songs that finding the chords and recounting are timed on; the largest
// dense song has some 600,000 different chords, a 10 MB file's worth.
void chordSongs(benchmark::internal::Benchmark* b) {
    b->Args({kGenerated, 100'000})
        ->Args({kGenerated, 1'000'000})
        ->Args({kGroove, 100'000})
        ->Args({kGroove, 1'000'000})
        ->Args({kDense, 1'000'000})
        ->Args({kDense, 6'600'000});
}

BENCHMARK(FindChords)->Apply(chordSongs)->Unit(benchmark::kMillisecond);
BENCHMARK(Recount)->Apply(chordSongs)->Unit(benchmark::kMicrosecond);
BENCHMARK(FewestClashes)
    ->Args({kGroove, 50'000})
    ->Args({kGroove, 1'000'000})
    ->Args({kGenerated, 1'000'000})
    ->Args({kDense, 1'000'000})
    ->Args({kDense, 6'600'000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(RouteEveryHit)
    ->Args({kDemo, 0, 15})
    ->Args({kGroove, 50'000, 0})
    ->Args({kGroove, 50'000, 15})
    ->Args({kGenerated, 100'000, 15})
    ->Args({kGeneratedSingle, 100'000, 15})
    ->Args({kGeneratedBoth, 100'000, 15})
    ->Args({kGenerated, 1'000'000, 15})
    ->Args({kDense, 1'000'000, 0})
    ->Args({kDense, 1'000'000, 15})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(FewestClashesAllPairs)->Arg(20)->Arg(22)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
