#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "song/event_bytes.h"

// One event as it stood in a track chunk, running status resolved.
//
//   status 0x80-0xBF, 0xE0-0xEF, 0xF1-0xFE (but 0xF7): data = two data bytes
//   status 0xC0-0xDF:                                  data = one data byte
//   status 0xFF (meta):        data = type byte, then payload; length = declared payload size
//   status 0xF0, 0xF7 (sysex): data = payload only;            length = declared payload size
//
// A track chunk that ends early can leave a meta or sysex event with fewer bytes
// than `length` declares; `length` keeps the declared count all the same.
struct MidiEvent {
    std::uint32_t tick = 0;  // absolute; wraps modulo 2^32
    std::uint8_t status = 0;
    EventBytes data;
    std::uint32_t length = 0;  // 0 for channel messages

    bool operator==(const MidiEvent&) const = default;
};

// Songs of millions of events are held whole: keep an event small.
static_assert(sizeof(MidiEvent) <= 24);

// A track is nothing but its events, in chunk order.
using Track = std::vector<MidiEvent>;

struct SongData {
    std::vector<std::uint8_t> bytes;  // the whole file last opened for loading
    std::vector<Track> tracks;        // one per track chunk, in file order
    std::uint16_t division = 480;     // header bytes 12-13, whatever their form
    std::wstring inputPath;           // as handed to loadSong
};

extern SongData songData;  // the one loaded song

inline constexpr std::uint8_t kMetaStatus = 0xFF;
inline constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
inline constexpr unsigned kDrumChannel = 9;  // MIDI channel 10, counted from 0

inline bool isDrumChannel(std::uint8_t status) { return status < 0xF0 && (status & 0x0F) == kDrumChannel; }
