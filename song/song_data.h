#pragma once

#include <bitset>
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
    std::size_t drumEvents = 0;       // drum-channel events of the tracks as read: a size to reserve, no more
    // The drum notes (note-on or note-off on channel 10) of each track as read,
    // for the drum inventory that follows the read: it takes them, leaving this
    // empty, and walks the tracks itself when they are not there.
    std::vector<std::bitset<256>> drumNotesRead;
    std::wstring inputPath;           // as handed to loadSong
};

extern SongData songData;  // the one loaded song
