// Each stage of the job on generated songs, per event. Run with
// --benchmark_filter to pick stages; sizes are events in the song.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "bench/song_generator.h"
#include "drums/drum_inventory.h"
#include "smf/event_order.h"
#include "smf/smf_writer.h"
#include "song/smf_reader.h"
#include "song/song_data.h"
#include "split/format1.h"
#include "split/split_saves.h"
#include "split/splitter.h"

namespace {

const std::vector<std::uint8_t>& song(GeneratedLayout layout, std::size_t events) {
    static std::map<std::pair<int, std::size_t>, std::vector<std::uint8_t>> cache;
    auto& bytes = cache[{int(layout), events}];
    if (bytes.empty()) {
        bytes = generateSong(layout, events);
    }
    return bytes;
}

// Loads the song into songData and returns its event count.
std::size_t prepare(benchmark::State& state) {
    songData.bytes = song(GeneratedLayout(state.range(0)), std::size_t(state.range(1)));
    parseSong();
    std::size_t events = 0;
    for (const Track& t : songData.tracks) {
        events += t.size();
    }
    return events;
}

void finish(benchmark::State& state, std::size_t events) {
    state.SetItemsProcessed(std::int64_t(state.iterations() * events));
    state.counters["ns_per_event"] = benchmark::Counter(double(state.iterations() * events),
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Read(benchmark::State& state) {
    const std::size_t events = prepare(state);
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "tessaline-bench-read.mid";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(songData.bytes.data()), std::streamsize(songData.bytes.size()));
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(loadSong(path.wstring()));
    }
    std::filesystem::remove(path);
    finish(state, events);
}

void Parse(benchmark::State& state) {
    const std::size_t events = prepare(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(parseSong());
    }
    finish(state, events);
}

void Inventory(benchmark::State& state) {
    const std::size_t events = prepare(state);
    for (auto _ : state) {
        rebuildDrumInventory();
    }
    finish(state, events);
}

void ConvertToFormat1(benchmark::State& state) {
    const std::size_t events = prepare(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(convertToFormat1(songData.tracks));
    }
    finish(state, events);
}

void Split(benchmark::State& state) {
    const std::size_t events = prepare(state);
    rebuildDrumInventory();
    const std::vector<Track> converted = convertToFormat1(songData.tracks);
    for (auto _ : state) {
        // The split takes its tracks over; the copy it works on is not its cost.
        state.PauseTiming();
        std::vector<Track> tracks = converted;
        state.ResumeTiming();
        benchmark::DoNotOptimize(splitDrumEvents(std::move(tracks), assignmentMap));
    }
    finish(state, events);
}

void Order(benchmark::State& state) {
    const std::size_t events = prepare(state);
    rebuildDrumInventory();
    const SplitResult split = splitDrumEvents(convertToFormat1(songData.tracks), assignmentMap);
    for (auto _ : state) {
        // What the writer does for a drum track: find the order, move nothing.
        benchmark::DoNotOptimize(orderedPositions(split.tr4));
        benchmark::DoNotOptimize(orderedPositions(split.tr5));
    }
    finish(state, split.tr4.size() + split.tr5.size());
    (void)events;
}

void Encode(benchmark::State& state) {
    const std::size_t events = prepare(state);
    rebuildDrumInventory();
    const SplitResult split = splitDrumEvents(convertToFormat1(songData.tracks), assignmentMap);
    const std::vector<Track> output = splitInsertLayout(split, drumTrackPosition(songData.tracks));
    SortFlags flags(output.size(), false);
    ByteBuffer out;
    for (auto _ : state) {
        out.clear();
        encodeSmf(out, output, flags, songData.division);
        benchmark::DoNotOptimize(out.data());
    }
    finish(state, events);
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int layout : {int(GeneratedLayout::SingleTrack), int(GeneratedLayout::MultiTrack)}) {
        for (std::int64_t events : {100000, 1000000, 4000000}) {
            b->Args({layout, events});
        }
    }
    b->ArgNames({"multi", "events"})->Unit(benchmark::kMillisecond)->Iterations(3);
}

BENCHMARK(Read)->Apply(sizes);
BENCHMARK(Parse)->Apply(sizes);
BENCHMARK(Inventory)->Apply(sizes);
BENCHMARK(ConvertToFormat1)->Apply(sizes);
BENCHMARK(Split)->Apply(sizes);
BENCHMARK(Order)->Apply(sizes);
BENCHMARK(Encode)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
