#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "song/midi_event.h"

// A track is nothing but its events, in chunk order.
using Track = std::vector<MidiEvent>;

// Events that stay where they are, referred to: a save lists the loaded song's
// events in its output rather than copying them.
using EventRefs = std::vector<const MidiEvent*>;

struct SongData {
    std::vector<std::uint8_t> bytes;  // the whole file last opened for loading
    std::vector<Track> tracks;        // one per track chunk, in file order
    std::uint16_t division = 480;     // header bytes 12-13, whatever their form
    std::wstring inputPath;           // as handed to loadSong
};

extern SongData songData;  // the one loaded song
