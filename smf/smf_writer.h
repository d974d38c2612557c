#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "song/song_data.h"

using ByteBuffer = std::vector<std::uint8_t>;

// One flag per output track: a flagged track is put in time order before it is
// written. Tracks beyond the end of the flags are not ordered.
using SortFlags = std::vector<bool>;

// Writes `tracks` as a format-1 file with songData.division: encodeSmf, then
// replaceFileContents, so an existing file at `path` is either replaced whole
// or left as it was. False when anything failed, and when there are more than
// 65535 tracks.
bool writeSmfFile(const std::wstring& path, const std::vector<Track>& tracks, const SortFlags& sortFlags);

// The whole file in memory, as writeSmfFile would write it; false (and nothing
// appended) for more than 65535 tracks.
bool encodeSmf(ByteBuffer& out, const std::vector<Track>& tracks, const SortFlags& sortFlags,
               std::uint16_t division);

// Appends one track chunk: its End-of-Track events left out, ordered if
// `sorted`, every event with its own status byte, one End-of-Track at the end.
// The track itself is not changed.
void writeTrackChunk(ByteBuffer& out, const Track& track, bool sorted);

// Appends one event's bytes (after its delta time). Returns false, appending
// nothing, for an event too short to be written: a meta event without its type
// byte, a channel message without the data bytes its kind takes.
bool writeEventBytes(ByteBuffer& out, const MidiEvent& event);

// Appends a variable-length quantity: one to five bytes for any 32-bit value.
void writeVarLen(ByteBuffer& out, std::uint32_t value);
