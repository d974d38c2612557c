// Each stage of the job on generated songs, per event. Run with
// --benchmark_filter to pick stages; layout 0 is the single track, 1 the
// multi-track song, 2 the one with its drums in tracks 4 and 5; sizes are
// events in the song.
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

// As a load runs it, right after the read, which gathers each track's notes.
void Inventory(benchmark::State& state) {
    const std::size_t events = prepare(state);
    for (auto _ : state) {
        state.PauseTiming();
        parseSong();
        state.ResumeTiming();
        rebuildDrumInventory();
    }
    finish(state, events);
}

void Split(benchmark::State& state) {
    const std::size_t events = prepare(state);
    rebuildDrumInventory();
    for (auto _ : state) {
        benchmark::DoNotOptimize(splitDrumEvents(songData.tracks, assignmentMap));
    }
    finish(state, events);
}

void Order(benchmark::State& state) {
    prepare(state);
    rebuildDrumInventory();
    const SplitResult split = splitDrumEvents(songData.tracks, assignmentMap);
    for (auto _ : state) {
        state.PauseTiming();
        EventRefs drums = split.drums;
        state.ResumeTiming();
        orderEvents(drums);
    }
    finish(state, split.drums.size());
}

// The whole output of the split-insert save, encoded in memory, as the save
// builds it: the split and the order of the drum events included.
void EncodeSplitInsert(benchmark::State& state) {
    const std::size_t events = prepare(state);
    rebuildDrumInventory();
    ByteBuffer out;
    for (auto _ : state) {
        out.clear();
        std::vector<OutputTrack> rest = convertToFormat1(songData.tracks);
        for (OutputTrack& track : rest) {
            track.withoutDrumEvents = true;
        }
        SplitResult split = splitDrumEvents(songData.tracks, assignmentMap);
        orderEvents(split.drums);
        const std::size_t position = songData.tracks.size() == 1 ? 4 : drumTrackPosition(songData.tracks);
        encodeSmf(out, splitInsertLayout(std::move(rest), split, position), songData.division);
        benchmark::DoNotOptimize(out.data());
    }
    finish(state, events);
}

void EncodeFormat1(benchmark::State& state) {
    const std::size_t events = prepare(state);
    ByteBuffer out;
    for (auto _ : state) {
        out.clear();
        encodeSmf(out, convertToFormat1(songData.tracks), songData.division);
        benchmark::DoNotOptimize(out.data());
    }
    finish(state, events);
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int layout : {int(GeneratedLayout::SingleTrack), int(GeneratedLayout::MultiTrack),
                       int(GeneratedLayout::DrumTracks4And5)}) {
        for (std::int64_t events : {100000, 1000000, 4000000}) {
            b->Args({layout, events});
        }
    }
    b->ArgNames({"layout", "events"})->Unit(benchmark::kMillisecond)->Iterations(3);
}

BENCHMARK(Read)->Apply(sizes);
BENCHMARK(Parse)->Apply(sizes);
BENCHMARK(Inventory)->Apply(sizes);
BENCHMARK(Split)->Apply(sizes);
BENCHMARK(Order)->Apply(sizes);
BENCHMARK(EncodeSplitInsert)->Apply(sizes);
BENCHMARK(EncodeFormat1)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
