#pragma once

// Tiny builders for test input: files (see smf_bytes.h) and events.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "song/smf_reader.h"
#include "song/song_data.h"
#include "support/smf_bytes.h"

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
