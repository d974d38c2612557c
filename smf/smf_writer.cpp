#include "smf/smf_writer.h"

#include <cstring>
#include <memory>

#include "smf/event_order.h"
#include "smf/file_replace.h"

namespace {

constexpr std::size_t kMaxTracks = 65535;  // the header's track count is 16 bits

void appendU32Be(ByteBuffer& out, std::uint32_t v) {
    out.insert(out.end(), {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
}

void appendU16Be(ByteBuffer& out, std::uint16_t v) { out.insert(out.end(), {std::uint8_t(v >> 8), std::uint8_t(v)}); }

void appendHeader(ByteBuffer& out, std::size_t trackCount, std::uint16_t division) {
    out.insert(out.end(), {'M', 'T', 'h', 'd'});
    appendU32Be(out, 6);
    appendU16Be(out, 1);  // always format 1
    appendU16Be(out, static_cast<std::uint16_t>(trackCount));
    appendU16Be(out, division);
}

// The payload bytes that can actually be written: a track chunk that ended early
// leaves an event with fewer bytes than it declares, and writing the declared
// length would make the output unreadable.
std::size_t payloadCount(std::uint32_t declared, std::size_t present) {
    return declared < present ? declared : present;
}

// Whether the event has the bytes its kind needs: a meta event its type, a
// channel message its data bytes. A malformed track can leave one without.
bool isWritable(const MidiEvent& e) {
    const std::uint8_t status = e.status;
    if (status == 0xF0 || status == 0xF7) {
        return true;
    }
    if (status == kMetaStatus) {
        return !e.data.empty();
    }
    return e.data.size() >= dataBytesTaken(status);
}

std::size_t maxEventBytes(const MidiEvent& e) { return 2 + 5 + e.data.size(); }

// The most bytes a track's chunk can take: its header, each event with the
// longest delta time, and the End-of-Track.
std::size_t chunkRoom(const Track& track) {
    std::size_t room = 8 + 4;
    for (const MidiEvent& e : track) {
        room += 5 + maxEventBytes(e);
    }
    return room;
}

std::uint8_t* putVarLen(std::uint8_t* p, std::uint32_t value) {
    std::uint8_t groups[5];
    int n = 0;
    groups[n++] = value & 0x7F;
    value >>= 7;
    while (value != 0) {
        groups[n++] = static_cast<std::uint8_t>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    while (n > 0) {
        *p++ = groups[--n];
    }
    return p;
}

// Writes a writable event's bytes with its own status byte; returns the end.
// Meta and system-exclusive events are written with the payload present, and
// channel messages without bytes beyond those their kind takes.
std::uint8_t* putEventBytes(std::uint8_t* p, const MidiEvent& e) {
    const std::uint8_t status = e.status;
    const std::uint8_t* d = e.data.data();
    *p++ = status;
    if (status == kMetaStatus) {
        const std::size_t count = payloadCount(e.length, e.data.size() - 1);
        *p++ = d[0];
        p = putVarLen(p, static_cast<std::uint32_t>(count));
        std::memcpy(p, d + 1, count);
        return p + count;
    }
    if (status == 0xF0 || status == 0xF7) {
        const std::size_t count = payloadCount(e.length, e.data.size());
        p = putVarLen(p, static_cast<std::uint32_t>(count));
        if (count != 0) {
            std::memcpy(p, d, count);
        }
        return p + count;
    }
    *p++ = d[0];
    if (dataBytesTaken(status) == 2) {
        *p++ = d[1];
    }
    return p;
}

}  // namespace

void writeVarLen(ByteBuffer& out, std::uint32_t value) {
    std::uint8_t buffer[5];
    out.insert(out.end(), buffer, putVarLen(buffer, value));
}

bool writeEventBytes(ByteBuffer& out, const MidiEvent& e) {
    if (!isWritable(e)) {
        return false;
    }
    const std::size_t at = out.size();
    out.resize(at + maxEventBytes(e));
    out.resize(std::size_t(putEventBytes(out.data() + at, e) - out.data()));
    return true;
}

void writeTrackChunk(ByteBuffer& out, const Track& track, bool sorted) {
    // An ordered track is walked in sorted order without moving its events.
    // Leaving the End-of-Track events out afterwards gives what ordering the
    // track without them would: a stable order keeps the others' order.
    std::vector<std::uint32_t> order;
    if (sorted) {
        order = orderedPositions(track);
    }
    const std::size_t count = track.size();
    auto eventAt = [&](std::size_t i) -> const MidiEvent& { return sorted ? track[order[i]] : track[i]; };

    // Encoded into room for the worst case, left uninitialised (the worst case
    // is about three times what a track takes), then appended as written.
    const std::size_t room = chunkRoom(track);
    const auto chunk = std::make_unique_for_overwrite<std::uint8_t[]>(room);
    std::uint8_t* const bodyStart = chunk.get() + 8;
    std::uint8_t* p = bodyStart;

    std::uint32_t previous = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const MidiEvent& e = eventAt(i);
        // End-of-Track events are dropped wherever they stand: one is added at the end.
        if (isEndOfTrack(e) || !isWritable(e)) {
            continue;
        }
        // An event earlier than one before it (only in an unordered track) is
        // written at the time of the latest event so far.
        const std::uint32_t at = e.tick < previous ? previous : e.tick;
        p = putVarLen(p, at - previous);
        p = putEventBytes(p, e);
        previous = at;
    }
    // The one End-of-Track, at the time of the last event.
    *p++ = 0x00;
    *p++ = 0xFF;
    *p++ = 0x2F;
    *p++ = 0x00;

    const std::uint32_t bodyLength = static_cast<std::uint32_t>(p - bodyStart);
    std::memcpy(chunk.get(), "MTrk", 4);
    for (int i = 0; i < 4; ++i) {
        chunk[4 + i] = std::uint8_t(bodyLength >> (24 - 8 * i));
    }
    out.insert(out.end(), chunk.get(), p);
}

bool encodeSmf(ByteBuffer& out, const std::vector<Track>& tracks, const SortFlags& sortFlags,
               std::uint16_t division) {
    if (tracks.size() > kMaxTracks) {
        return false;
    }
    // Reserved for the worst case, so the file is never moved as it grows;
    // the pages that the encoding does not reach are never touched.
    std::size_t room = out.size() + 14;
    for (const Track& track : tracks) {
        room += chunkRoom(track);
    }
    out.reserve(room);
    appendHeader(out, tracks.size(), division);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        writeTrackChunk(out, tracks[i], i < sortFlags.size() && sortFlags[i]);
    }
    return true;
}

bool writeSmfFile(const std::wstring& path, const std::vector<Track>& tracks, const SortFlags& sortFlags) {
    ByteBuffer bytes;
    return encodeSmf(bytes, tracks, sortFlags, songData.division) && replaceFileContents(path, bytes);
}
