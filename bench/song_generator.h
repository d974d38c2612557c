#pragma once

// Large, deterministic songs for benchmarks and scale tests.

#include <cstdint>
#include <vector>

enum class GeneratedLayout {
    SingleTrack,  // format 0: one track, 16 channels, drums on channel 10 among them
    MultiTrack,   // format 1: a conductor track and 16 tracks, drum notes in several of them
    DrumTracks4And5,  // format 1: like MultiTrack, a quarter of the events drum notes in tracks 4 and 5
};

// About `eventCount` events (meta events included), running status used where
// a real sequencer would. The same arguments always give the same bytes.
std::vector<std::uint8_t> generateSong(GeneratedLayout layout, std::size_t eventCount);
