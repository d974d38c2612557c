// The clash analysis and the exact destination search on a song of 20
// distinct drum notes and 50,000 drum events: a groove on a sixteenth-note grid
// spread over four tracks, with fills and cymbals.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "clashes/clash_count.h"
#include "clashes/destination_search.h"
#include "drums/drum_inventory.h"

namespace {

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
    for (Track& t : tracks) {
        std::stable_sort(t.begin(), t.end(), [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });
    }
    return tracks;
}

void AnalyseAndSuggest(benchmark::State& state) {
    const std::vector<Track> tracks = grooveSong(50000);
    AssignmentMap proposal;
    for (const Track& t : tracks) {
        for (const MidiEvent& e : t) {
            if (isDrumNoteEvent(e)) {
                proposal[e.data[0]] = TR4;
            }
        }
    }
    std::size_t before = 0;
    std::size_t after = 0;
    for (auto _ : state) {
        before = clashingTicks(tracks, proposal);
        const AssignmentMap best = suggestDestinations(tracks, proposal, {});
        after = clashingTicks(tracks, best);
    }
    state.counters["notes"] = double(proposal.size());
    state.counters["clashes_before"] = double(before);
    state.counters["clashes_after"] = double(after);
}

BENCHMARK(AnalyseAndSuggest)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
