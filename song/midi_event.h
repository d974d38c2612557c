#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "song/event_bytes.h"

// One event as it stood in a track chunk, running status resolved.
//
//   status 0x80-0xBF, 0xE0-0xEF, 0xF1-0xFE (but 0xF7): data = two data bytes
//   status 0xC0-0xDF:                                  data = one data byte
//   status 0xFF (meta):        data = type byte, then payload; length() = declared payload size
//   status 0xF0, 0xF7 (sysex): data = payload only;            length() = declared payload size
//
// A track chunk that ends early can leave a meta or sysex event with fewer bytes
// than length() declares; length() keeps the declared count all the same.
struct MidiEvent {
    std::uint32_t tick = 0;  // absolute; wraps modulo 2^32
    std::uint8_t status = 0;
    EventBytes data;  // with the declared length, which channel messages leave at 0

    MidiEvent() = default;
    MidiEvent(std::uint32_t tick, std::uint8_t status, EventBytes data, std::uint32_t length = 0)
        : tick(tick), status(status), data(std::move(data)) {
        this->data.setLength(length);
    }

    std::uint32_t length() const { return data.length(); }

    bool operator==(const MidiEvent&) const = default;
};

// Songs of millions of events are held whole: keep an event small.
static_assert(sizeof(MidiEvent) == 16);

// The MIDI rules about single events, written once for every unit that needs them.

inline constexpr std::uint8_t kMetaStatus = 0xFF;
inline constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
inline constexpr unsigned kDrumChannel = 9;  // MIDI channel 10, counted from 0

// A message of one of the sixteen channels (0x80-0xEF), as against meta and
// system events (0xF0 and above), which belong to none.
inline bool isChannelMessage(std::uint8_t status) { return status < 0xF0; }

// System exclusive: 0xF0 opens a message, 0xF7 carries a continuation or an
// escape. Either is followed by a length and that many bytes.
inline bool isSysEx(std::uint8_t status) { return status == 0xF0 || status == 0xF7; }

inline bool isDrumChannel(std::uint8_t status) { return isChannelMessage(status) && (status & 0x0F) == kDrumChannel; }

// The data bytes that follow a status other than meta and system exclusive:
// one for program change and channel pressure, two for everything else (the
// system bytes that a well-formed track never holds included).
inline std::size_t dataBytesTaken(std::uint8_t status) { return status >= 0xC0 && status <= 0xDF ? 1 : 2; }

inline bool isEndOfTrack(const MidiEvent& e) {
    return e.status == kMetaStatus && !e.data.empty() && e.data[0] == kMetaEndOfTrack;
}

// A note-on with a velocity: a note starts sounding.
inline bool isNoteStart(const MidiEvent& e) {
    return (e.status & 0xF0) == 0x90 && e.data.size() >= 2 && e.data[1] != 0;
}

// A note-off, or a note-on with velocity 0, which ends a note as well.
inline bool isRelease(const MidiEvent& e) {
    const std::uint8_t kind = e.status & 0xF0;
    return kind == 0x80 || (kind == 0x90 && e.data.size() >= 2 && e.data[1] == 0);
}

// A drum-channel event with a data byte (a note's number, a controller's...):
// what the drum split takes out of its track.
inline bool isDrumChannelEvent(const MidiEvent& e) { return isDrumChannel(e.status) && !e.data.empty(); }

// A note-on or a release, with its note number.
inline bool isNoteEvent(const MidiEvent& e) { return (isNoteStart(e) || isRelease(e)) && !e.data.empty(); }

// A note-on or note-off on the drum channel with both data bytes, whatever its
// velocity: what the drum list is made of.
inline bool isDrumNoteEvent(const MidiEvent& e) {
    const std::uint8_t kind = e.status & 0xF0;
    return isDrumChannel(e.status) && (kind == 0x80 || kind == 0x90) && e.data.size() >= 2;
}

// A drum note that starts sounding: what can clash.
inline bool isDrumHit(const MidiEvent& e) { return isDrumChannel(e.status) && isNoteStart(e); }

// How an event sorts among others at the same tick in a drum track: releases
// first, then note starts, then everything else. Only the high nibble of the
// status counts.
enum class EventClass : int {
    NoteOff = 0,  // 0x8n; 0x9n with velocity 0
    NoteOn = 1,   // 0x9n with a velocity, or with fewer than two data bytes
    Other = 2,    // 0xA0-0xFF
};

inline EventClass eventClass(const MidiEvent& e) {
    if (isRelease(e)) {
        return EventClass::NoteOff;
    }
    return (e.status & 0xF0) == 0x90 ? EventClass::NoteOn : EventClass::Other;
}
