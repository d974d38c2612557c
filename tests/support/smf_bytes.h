#pragma once

// Tiny builders for the bytes of a file: mthd(...) + mtrk({...}) + ...
// Shared by the tests and the fuzzer's seed songs.

#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes u32be(std::uint32_t v) {
    return {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

inline Bytes mthd(std::uint16_t tracks, std::uint16_t division = 480, std::uint16_t format = 1) {
    return Bytes{'M', 'T', 'h', 'd'} + u32be(6) +
           Bytes{std::uint8_t(format >> 8), std::uint8_t(format), std::uint8_t(tracks >> 8), std::uint8_t(tracks),
                 std::uint8_t(division >> 8), std::uint8_t(division)};
}

inline Bytes mtrk(const Bytes& body) { return Bytes{'M', 'T', 'r', 'k'} + u32be(std::uint32_t(body.size())) + body; }

inline const Bytes kEndOfTrack{0x00, 0xFF, 0x2F, 0x00};
inline const Bytes kTempo{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};  // 500,000 microseconds a beat
