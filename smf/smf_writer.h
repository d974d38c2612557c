#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "song/song_data.h"

using ByteBuffer = std::vector<std::uint8_t>;

// One flag per output track: a flagged track is put in time order before it is
// written. Tracks beyond the end of the flags are not ordered.
using SortFlags = std::vector<bool>;

// The parts of a track that an output track can take: all its events, its meta
// and system events (status 0xF0 and above), or those of one channel, 0 to 15.
inline constexpr int kWholeTrack = -1;
inline constexpr int kMetaAndSystem = 16;

// One track of an output, made of events that stay where they are. It has two
// forms, made by the two functions below: part of a loaded track, or a drum
// track of a split. The writer filters the events as it encodes them, so the
// split's routing of drum events (splitter.h) runs here: nothing is copied to
// a track of its own beforehand.
struct OutputTrack {
    const Track* track = nullptr;      // a part of a loaded track: this track's events, in their order
    int part = kWholeTrack;            //   all of them, or one part
    bool withoutDrumEvents = false;    //   less its drum-channel events
    const EventRefs* listed = nullptr; // a drum track: the listed events, in their order,
    std::bitset<256> notes = std::bitset<256>().set();  // of whose note-ons and releases only these notes'
};

// `track`, or one part of it, less its drum-channel events when `withoutDrumEvents`.
inline OutputTrack trackPart(const Track& track, int part = kWholeTrack, bool withoutDrumEvents = false) {
    OutputTrack out;
    out.track = &track;
    out.part = part;
    out.withoutDrumEvents = withoutDrumEvents;
    return out;
}

// The drum events of `list`: every one but the note-ons and releases of notes
// outside `notes`, which go to the other drum track.
inline OutputTrack drumTrack(const EventRefs& list, const std::bitset<256>& notes) {
    OutputTrack out;
    out.listed = &list;
    out.notes = notes;
    return out;
}

// Writes `tracks` as a format-1 file with songData.division, the bytes that
// encodeSmf gives, through replaceFileContents: an existing file at `path` is
// either replaced whole or left as it was. False when anything failed, and when there are more than
// 65535 tracks.
bool writeSmfFile(const std::wstring& path, const std::vector<OutputTrack>& tracks);
bool writeSmfFile(const std::wstring& path, const std::vector<Track>& tracks, const SortFlags& sortFlags);

// The whole file in memory, as writeSmfFile would write it; false (and nothing
// appended) for more than 65535 tracks. Each track is written with one
// End-of-Track at the time of its last event in place of its own, and every
// event with its own status byte.
bool encodeSmf(ByteBuffer& out, const std::vector<OutputTrack>& tracks, std::uint16_t division);
bool encodeSmf(ByteBuffer& out, const std::vector<Track>& tracks, const SortFlags& sortFlags,
               std::uint16_t division);
