#include "song/smf_reader.h"

#include <algorithm>
#include <new>
#include <utility>

#include "drums/drum_inventory.h"
#include "song/file_read.h"
#include "song/resident_memory.h"
#include "song/smf_reader_internal.h"
#include "song/song_data.h"

namespace {

// The reader has two ways to fail, with two different outcomes:
//  - a broken chunk structure (missing header or chunk, wrong id, a length past
//    the file end) refuses the whole file;
//  - a malformed event only ends its track; the next chunk is found from the
//    declared chunk length, never from where decoding stopped.

std::uint32_t readU32Be(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

std::uint16_t readU16Be(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

bool hasId(const std::uint8_t* p, const char (&id)[5]) {
    return p[0] == std::uint8_t(id[0]) && p[1] == std::uint8_t(id[1]) && p[2] == std::uint8_t(id[2]) &&
           p[3] == std::uint8_t(id[3]);
}

// Bits shifted past bit 31 are lost, and a quantity may run longer than the four
// bytes the standard allows: it is read to its end, or to the end of the file.
std::uint32_t readVarLenIn(const std::vector<std::uint8_t>& bytes, std::size_t& pos) {
    std::uint32_t value = 0;
    while (pos < bytes.size()) {
        const std::uint8_t b = bytes[pos++];
        value = (value << 7) | (b & 0x7F);
        if ((b & 0x80) == 0) {
            break;
        }
    }
    return value;
}

// The payload bytes that lie before the chunk end, up to `declared`.
std::size_t payloadPresent(std::size_t p, std::size_t chunkEnd, std::uint32_t declared) {
    if (p >= chunkEnd) {
        return 0;
    }
    return declared < chunkEnd - p ? declared : chunkEnd - p;
}

// Walks the events between `start` and `chunkEnd`, handing each one's tick,
// status, data bytes (in two pieces: a meta event's type byte, then its
// payload) and declared length to `take`. Delta times are bounded by the file
// end only; every other byte of an event by the chunk end.
template <class Take>
void walkEvents(const std::vector<std::uint8_t>& bytes, std::size_t start, std::size_t chunkEnd, Take&& take) {
    const std::uint8_t* const b = bytes.data();
    std::size_t p = start;
    std::uint32_t tick = 0;
    std::uint8_t runningStatus = 0;  // 0: none

    while (p < chunkEnd) {
        tick += readVarLenIn(bytes, p);
        if (p >= chunkEnd) {
            break;
        }
        std::uint8_t status = b[p];
        if (status >= 0x80) {
            ++p;
            // Meta and system-exclusive events neither set nor clear running status.
            if (isChannelMessage(status)) {
                runningStatus = status;
            }
        } else if (runningStatus != 0) {
            status = runningStatus;  // this byte is the first data byte
        } else {
            break;  // a data byte where a status is due
        }

        if (status == kMetaStatus) {
            if (p >= chunkEnd) {
                break;  // no type byte: the event is dropped
            }
            const std::size_t type = p++;
            const std::uint32_t length = readVarLenIn(bytes, p);
            const std::size_t present = payloadPresent(p, chunkEnd, length);
            take(tick, status, b + type, 1, b + p, present, length);
            p += present;
        } else if (isSysEx(status)) {
            // The length is read even when the status was the chunk's last byte.
            const std::uint32_t length = readVarLenIn(bytes, p);
            const std::size_t present = payloadPresent(p, chunkEnd, length);
            take(tick, status, b + p, present, b, 0, length);
            p += present;
        } else {
            const std::size_t taken = dataBytesTaken(status);
            if (chunkEnd - p < taken) {
                break;
            }
            // Data bytes are kept as they are, even with bit 7 set.
            take(tick, status, b + p, taken, b, 0, 0);
            p += taken;
        }
    }
}

// A chunk holds at most one event for every two of its bytes (a delta time and
// one data byte under running status): room for that many is reserved, and one
// walk builds the track. Its pages are made present a step ahead of the events,
// so that no more than a step past the last event is ever touched. Such room
// is reserved for up to 32 Mi events a song (512 MB, which Windows commits
// whether touched or not); a chunk beyond that (one huge system-exclusive
// event, say) is counted by a walk of its own first.
constexpr std::size_t kMostBoundedEvents = std::size_t{32} << 20;
constexpr std::size_t kEventsMadePresent = 4096;  // at a time: 64 KiB

// `boundLeft`: the events for which room may still be reserved from a bound.
Track decodeTrack(const std::vector<std::uint8_t>& bytes, std::size_t start, std::size_t chunkEnd,
                  std::size_t& boundLeft, std::size_t& drumEvents, std::bitset<256>& drumNotes) {
    std::size_t room = (chunkEnd - start) / 2;
    if (room <= boundLeft) {
        boundLeft -= room;
    } else {
        room = 0;
        walkEvents(bytes, start, chunkEnd,
                   [&room](std::uint32_t, std::uint8_t, const std::uint8_t*, std::size_t, const std::uint8_t*,
                           std::size_t, std::uint32_t) { ++room; });
    }
    Track track;
    track.reserve(room);
    std::size_t present = 0;  // events whose room is made present
    walkEvents(bytes, start, chunkEnd,
               [&track, &present, room, &drumEvents, &drumNotes](
                   std::uint32_t tick, std::uint8_t status, const std::uint8_t* first, std::size_t firstSize,
                   const std::uint8_t* rest, std::size_t restSize, std::uint32_t length) {
                   if (track.size() == present && present < room) {
                       const std::size_t step = std::min(kEventsMadePresent, room - present);
                       makeResident(track.data() + present, step * sizeof(MidiEvent));
                       present += step;
                   }
                   // Built where it stays: one built aside and moved in costs a copy of every event.
                   MidiEvent& event = track.emplace_back();
                   event.tick = tick;
                   event.status = status;
                   if (isChannelMessage(status)) {
                       event.data.setChannelData(first, firstSize);
                       // Counted without a branch: drum and other events come in no order to guess.
                       const bool drum = isDrumChannel(status);
                       drumEvents += drum;
                       drumNotes[first[0]] = drumNotes[first[0]] | (drum & isDrumNoteEvent(event));
                       return;
                   }
                   event.data.append(first, firstSize);
                   event.data.append(rest, restSize);
                   event.data.setLength(length);
               });
    return track;
}

}  // namespace

std::uint32_t readVarLen(std::size_t& pos) { return readVarLenIn(songData.bytes, pos); }

bool parseSong() {
    songData.tracks.clear();
    songData.drumEvents = 0;
    songData.drumNotesRead.clear();
    const std::vector<std::uint8_t>& bytes = songData.bytes;
    const std::size_t n = bytes.size();

    if (n < 14 || !hasId(bytes.data(), "MThd")) {
        return false;
    }
    const std::uint32_t headerLength = readU32Be(&bytes[4]);
    if (headerLength > n - 8 || headerLength < 6) {
        return false;
    }
    const std::uint16_t trackCount = readU16Be(&bytes[10]);
    songData.division = readU16Be(&bytes[12]);
    if (trackCount == 0) {
        return false;
    }

    songData.tracks.reserve(trackCount);
    songData.drumNotesRead.reserve(trackCount);
    std::size_t pos = 8 + std::size_t{headerLength};
    std::size_t boundLeft = kMostBoundedEvents;
    for (unsigned i = 0; i < trackCount; ++i) {
        if (pos > n || n - pos < 8 || !hasId(&bytes[pos], "MTrk")) {
            return false;
        }
        const std::uint32_t chunkLength = readU32Be(&bytes[pos + 4]);
        const std::size_t start = pos + 8;
        if (chunkLength > n - start) {
            return false;
        }
        const std::size_t chunkEnd = start + chunkLength;
        songData.drumNotesRead.emplace_back();
        songData.tracks.push_back(
            decodeTrack(bytes, start, chunkEnd, boundLeft, songData.drumEvents, songData.drumNotesRead.back()));
        pos = chunkEnd;
    }
    return true;  // bytes after the last declared chunk are ignored
}

bool loadSong(const std::wstring& path) {
    try {
        std::vector<std::uint8_t> content;
        if (!readSongFile(path, content)) {
            return false;
        }
        songData.bytes = std::move(content);
        songData.inputPath = path;
        if (!parseSong()) {
            return false;
        }
        rebuildDrumInventory();
        return true;
    } catch (const std::bad_alloc&) {
        // A song that does not fit in memory is a failed load, which gives back what it took.
        songData.bytes = {};
        songData.tracks = {};
        return false;
    }
}
