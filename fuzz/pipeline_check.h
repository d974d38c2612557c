#pragma once

// Takes a file's bytes through everything a drop and the three saves do, and
// checks at each step what the program guarantees. Shared by the fuzzer and by
// the tests that run damaged and generated files through the same checks.

#include <cstddef>
#include <cstdint>
#include <string>

struct PipelineOptions {
    // When not empty, the three save commands also run for real, with the
    // input path in this folder, and their files are compared with the bytes
    // encoded in memory. The folder must exist and hold nothing else.
    std::wstring saveFolder;
    // Only some inputs, chosen by their bytes, go through the real saves.
    bool sampleSaves = false;
};

struct PipelineOutcome {
    bool parsed = false;     // parseSong accepted the bytes
    std::size_t tracks = 0;  // tracks of the loaded song (when parsed)
    std::string failure;     // the first guarantee that did not hold; empty when all did
};

// Replaces the loaded song (songData and the drum inventory) with the one
// parsed from `data`. Each drum note's destination is drawn from the bytes.
PipelineOutcome checkPipeline(const std::uint8_t* data, std::size_t size, const PipelineOptions& options = {});
