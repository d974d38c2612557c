#pragma once

// Tiny builders for test input: a file is mthd(...) + mtrk({...}) + ...

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "song/smf_reader.h"
#include "song/song_data.h"

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

// Parses `file` as if it had just been read from disk.
inline bool parseBytes(const Bytes& file) {
    songData.bytes = file;
    return parseSong();
}

inline MidiEvent ev(std::uint32_t tick, std::uint8_t status, Bytes data, std::uint32_t length = 0) {
    return MidiEvent{tick, status, std::move(data), length};
}

inline MidiEvent meta(std::uint32_t tick, std::uint8_t type, Bytes payload) {
    const std::uint32_t length = std::uint32_t(payload.size());
    return MidiEvent{tick, 0xFF, Bytes{type} + payload, length};
}

inline MidiEvent endOfTrack(std::uint32_t tick) { return meta(tick, 0x2F, {}); }
