#pragma once

// Small files to start the fuzzer from, and for the tests to run through the
// same checks: generated songs of both layouts, and hand-built files that use
// what the reader has rules for (running status, system exclusive, events cut
// at the chunk end, long quantities, data bytes with bit 7 set...).

#include <cstdint>
#include <string>
#include <vector>

struct SeedSong {
    std::string name;  // a file name, without extension
    std::vector<std::uint8_t> bytes;
};

std::vector<SeedSong> seedSongs();
