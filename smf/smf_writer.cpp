#include "smf/smf_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <span>
#include <utility>

#include "smf/event_order.h"
#include "song/file_replace.h"
#include "smf/smf_writer_internal.h"
#include "song/resident_memory.h"

namespace {

constexpr std::size_t kMaxTracks = 65535;  // the header's track count is 16 bits

// The payload bytes that can actually be written: a track chunk that ended early
// leaves an event with fewer bytes than it declares, and writing the declared
// length would make the output unreadable.
std::size_t payloadCount(std::uint32_t declared, std::size_t present) {
    return declared < present ? declared : present;
}

// Whether the event has the bytes its kind needs: a meta event its type, a
// channel message its data bytes. The reader never makes one without, but
// events built otherwise (by a test, by the fuzzer) may lack them.
bool isWritable(const MidiEvent& e) {
    const std::uint8_t status = e.status;
    if (isSysEx(status)) {
        return true;
    }
    if (status == kMetaStatus) {
        return !e.data.empty();
    }
    return e.data.size() >= dataBytesTaken(status);
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
        const std::size_t count = payloadCount(e.length(), e.data.size() - 1);
        *p++ = d[0];
        p = putVarLen(p, static_cast<std::uint32_t>(count));
        std::memcpy(p, d + 1, count);
        return p + count;
    }
    if (isSysEx(status)) {
        const std::size_t count = payloadCount(e.length(), e.data.size());
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

// The bytes that putVarLen and putEventBytes write.
std::size_t varLenSize(std::uint32_t value) {
    std::size_t n = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++n;
    }
    return n;
}

std::size_t eventSize(const MidiEvent& e) {
    if (e.status == kMetaStatus) {
        const std::size_t count = payloadCount(e.length(), e.data.size() - 1);
        return 2 + varLenSize(static_cast<std::uint32_t>(count)) + count;
    }
    if (isSysEx(e.status)) {
        const std::size_t count = payloadCount(e.length(), e.data.size());
        return 1 + varLenSize(static_cast<std::uint32_t>(count)) + count;
    }
    return 1 + dataBytesTaken(e.status);
}

std::uint8_t* putU32Be(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        *p++ = std::uint8_t(v >> (24 - 8 * i));
    }
    return p;
}

constexpr std::uint8_t kEndOfTrack[] = {0x00, 0xFF, 0x2F, 0x00};  // with its delta time of 0

// The most bytes a channel message takes: a delta time of five, its status and two data bytes.
constexpr std::size_t kMostChannelBytes = 8;

// The body of one track chunk, encoded event by event into blocks of room taken
// as it grows, each twice the last up to 64 KiB. The file is written from the
// blocks as they stand, so one walk of the events makes it: none sizes it
// first, and no copy puts its bodies together after.
struct ChunkBody {
    static constexpr std::size_t kFirstBlock = 64;
    static constexpr std::size_t kLargestBlock = 64 << 10;

    std::uint8_t* at = nullptr;   // where the next byte goes
    std::uint8_t* end = nullptr;  // the end of the block being written
    std::uint32_t previous = 0;   // the time of the latest event written
    std::size_t blockSize = 0;    // of the latest block
    std::vector<std::unique_ptr<std::uint8_t[]>> blocks;
    std::vector<std::span<const std::uint8_t>> written;  // the bytes of each block, once it is left
    std::uint8_t header[8] = {'M', 'T', 'r', 'k'};       // and the body's size, once it is finished

    void add(const MidiEvent& e) {
        // An event earlier than one before it (only in an unordered track) is
        // written at the time of the latest event so far.
        const std::uint32_t time = e.tick < previous ? previous : e.tick;
        const std::uint32_t delta = time - previous;
        const std::uint8_t status = e.status;
        // Channel messages, nearly every event of a song, written here directly.
        if (isChannelMessage(status)) {
            const std::size_t taken = dataBytesTaken(status);
            if (e.data.size() < taken) {
                return;
            }
            if (std::size_t(end - at) < kMostChannelBytes) {
                grow(kMostChannelBytes);
            }
            if (delta < 0x80) {
                *at++ = std::uint8_t(delta);
            } else {
                at = putVarLen(at, delta);
            }
            const std::uint8_t* d = e.data.data();
            at[0] = status;
            at[1] = d[0];
            if (taken == 2) {
                at[2] = d[1];
            }
            at += 1 + taken;
            previous = time;
            return;
        }
        // End-of-Track events are dropped wherever they stand: one is added at the end.
        if (isEndOfTrack(e) || !isWritable(e)) {
            return;
        }
        const std::size_t bytes = varLenSize(delta) + eventSize(e);
        if (std::size_t(end - at) < bytes) {
            grow(bytes);
        }
        at = putEventBytes(putVarLen(at, delta), e);
        previous = time;
    }

    // The one End-of-Track, at the time of the last event; then the body's size.
    void finish() {
        if (std::size_t(end - at) < sizeof kEndOfTrack) {
            grow(sizeof kEndOfTrack);
        }
        at = std::copy(std::begin(kEndOfTrack), std::end(kEndOfTrack), at);
        leaveBlock();
        std::size_t size = 0;
        for (const std::span<const std::uint8_t> bytes : written) {
            size += bytes.size();
        }
        putU32Be(header + 4, static_cast<std::uint32_t>(size));
    }

    void grow(std::size_t bytes) {
        leaveBlock();
        blockSize = std::clamp(2 * blockSize, kFirstBlock, kLargestBlock);
        const std::size_t room = std::max(bytes, blockSize);
        blocks.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(room));
        at = blocks.back().get();
        end = at + room;
        makeResident(at, room);
    }

    void leaveBlock() {
        if (!blocks.empty()) {
            written.emplace_back(blocks.back().get(), at);
        }
    }
};

int partOf(const MidiEvent& e) { return isChannelMessage(e.status) ? e.status & 0x0F : kMetaAndSystem; }

// Whether the output track `t` takes the event `e` (of its track, or of its list).
bool takes(const OutputTrack& t, const MidiEvent& e) {
    if (t.track != nullptr) {
        return (t.part == kWholeTrack || t.part == partOf(e)) && !(t.withoutDrumEvents && isDrumChannelEvent(e));
    }
    return !isNoteEvent(e) || t.notes[e.data[0]];
}

constexpr std::size_t kNoTrack = SIZE_MAX;

// One walk of a loaded track, which encodes every output track taking a part
// of it: a single track's meta events and channels are written in one pass.
struct TrackWalk {
    const Track* track;
    std::array<std::size_t, kMetaAndSystem + 1> outputOf;  // by part; kNoTrack: none
};

// One walk of a list, which encodes up to eight output tracks listing it: the
// two drum tracks of a split take their events from one list. Which of them
// take an event is looked up by its note, as bits, so that no branch of the
// walk hangs on where each note goes.
constexpr std::size_t kNoNote = 256;

struct ListWalk {
    const EventRefs* list;
    std::vector<std::size_t> outputs;
    std::array<std::uint8_t, kNoNote + 1> takers{};  // by note, then for an event of no note
};

struct Walks {
    std::vector<TrackWalk> tracks;
    std::vector<ListWalk> lists;
};

Walks planWalks(const std::vector<OutputTrack>& tracks) {
    std::map<const Track*, std::vector<std::size_t>> byTrack;
    std::map<const EventRefs*, std::vector<std::size_t>> byList;
    for (std::size_t k = 0; k < tracks.size(); ++k) {
        if (tracks[k].track != nullptr) {
            byTrack[tracks[k].track].push_back(k);
        } else if (tracks[k].listed != nullptr) {
            byList[tracks[k].listed].push_back(k);
        }
    }
    Walks walks;
    for (const auto& [track, outputs] : byTrack) {
        bool walking = false;  // whether the last walk is one of this track
        for (const std::size_t k : outputs) {
            const bool whole = tracks[k].part == kWholeTrack;
            const std::size_t from = whole ? 0 : std::size_t(tracks[k].part);
            const std::size_t to = whole ? kMetaAndSystem : std::size_t(tracks[k].part);
            // Two output tracks taking the same part of a track need a walk each.
            bool joins = walking;
            for (std::size_t part = from; joins && part <= to; ++part) {
                joins = walks.tracks.back().outputOf[part] == kNoTrack;
            }
            if (!joins) {
                walks.tracks.push_back(TrackWalk{track, {}});
                walks.tracks.back().outputOf.fill(kNoTrack);
                walking = true;
            }
            // The drum channel of a track without its drum events is no part of it
            // at all: a drum-channel event without a data byte would not be written.
            for (std::size_t part = from; part <= to; ++part) {
                if (!(tracks[k].withoutDrumEvents && part == kDrumChannel)) {
                    walks.tracks.back().outputOf[part] = k;
                }
            }
        }
    }
    for (const auto& [list, outputs] : byList) {
        for (std::size_t first = 0; first < outputs.size(); first += 8) {
            ListWalk& walk = walks.lists.emplace_back(ListWalk{list, {}});
            for (std::size_t k = first; k < outputs.size() && k < first + 8; ++k) {
                const std::uint8_t bit = std::uint8_t(1u << walk.outputs.size());
                for (std::size_t note = 0; note < kNoNote; ++note) {
                    walk.takers[note] |= tracks[outputs[k]].notes[note] ? bit : std::uint8_t{0};
                }
                walk.takers[kNoNote] |= bit;
                walk.outputs.push_back(outputs[k]);
            }
        }
    }
    return walks;
}

// Every output track's events into its body.
void encodeBodies(const Walks& walks, std::vector<ChunkBody>& bodies) {
    for (const TrackWalk& walk : walks.tracks) {
        for (const MidiEvent& e : *walk.track) {
            // The walk's plan leaves out what its output tracks do not take.
            const std::size_t k = walk.outputOf[std::size_t(partOf(e))];
            if (k != kNoTrack) {
                bodies[k].add(e);
            }
        }
    }
    for (const ListWalk& walk : walks.lists) {
        for (const MidiEvent* e : *walk.list) {
            for (unsigned takers = walk.takers[isNoteEvent(*e) ? e->data[0] : kNoNote]; takers != 0;
                 takers &= takers - 1) {
                bodies[walk.outputs[std::size_t(std::countr_zero(takers))]].add(*e);
            }
        }
    }
    for (ChunkBody& body : bodies) {
        body.finish();
    }
}

// An output encoded: its header and its chunk bodies.
struct EncodedFile {
    std::uint8_t header[14];
    std::vector<ChunkBody> bodies;
};

EncodedFile encodeFile(const std::vector<OutputTrack>& tracks, std::uint16_t division) {
    EncodedFile file{{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1,  // always format 1
                      std::uint8_t(tracks.size() >> 8), std::uint8_t(tracks.size()), std::uint8_t(division >> 8),
                      std::uint8_t(division)},
                     std::vector<ChunkBody>(tracks.size())};
    encodeBodies(planWalks(tracks), file.bodies);
    return file;
}

// The file's bytes, as the pieces to be written one after another.
std::vector<std::span<const std::uint8_t>> piecesOf(const EncodedFile& file) {
    std::vector<std::span<const std::uint8_t>> pieces{file.header};
    for (const ChunkBody& body : file.bodies) {
        pieces.emplace_back(body.header);
        pieces.insert(pieces.end(), body.written.begin(), body.written.end());
    }
    return pieces;
}

// The output tracks that write `tracks` whole, a flagged one through its
// events put in time order in `ordered`, which must outlive them.
std::vector<OutputTrack> outputOf(const std::vector<Track>& tracks, const SortFlags& sortFlags,
                                  std::vector<EventRefs>& ordered) {
    std::vector<OutputTrack> output(tracks.size());
    ordered.assign(std::min(tracks.size(), sortFlags.size()), EventRefs());
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (i < sortFlags.size() && sortFlags[i]) {
            for (const MidiEvent& e : tracks[i]) {
                ordered[i].push_back(&e);
            }
            orderEvents(ordered[i]);
            output[i].listed = &ordered[i];
        } else {
            output[i].track = &tracks[i];
        }
    }
    return output;
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
    out.resize(at + eventSize(e));
    putEventBytes(out.data() + at, e);
    return true;
}

Track eventsOf(const EventRefs& events) {
    Track copies;
    for (const MidiEvent* e : events) {
        copies.push_back(*e);
    }
    return copies;
}

Track eventsOf(const OutputTrack& track) {
    Track events;
    if (track.track != nullptr) {
        for (const MidiEvent& e : *track.track) {
            if (takes(track, e)) {
                events.push_back(e);
            }
        }
    } else if (track.listed != nullptr) {
        for (const MidiEvent* e : *track.listed) {
            if (takes(track, *e)) {
                events.push_back(*e);
            }
        }
    }
    return events;
}

std::vector<Track> eventsOf(const std::vector<OutputTrack>& tracks) {
    std::vector<Track> events;
    for (const OutputTrack& track : tracks) {
        events.push_back(eventsOf(track));
    }
    return events;
}

bool encodeSmf(ByteBuffer& out, const std::vector<OutputTrack>& tracks, std::uint16_t division) {
    if (tracks.size() > kMaxTracks) {
        return false;
    }
    const EncodedFile file = encodeFile(tracks, division);
    for (const std::span<const std::uint8_t> piece : piecesOf(file)) {
        out.insert(out.end(), piece.begin(), piece.end());
    }
    return true;
}

bool encodeSmf(ByteBuffer& out, const std::vector<Track>& tracks, const SortFlags& sortFlags,
               std::uint16_t division) {
    std::vector<EventRefs> ordered;
    return encodeSmf(out, outputOf(tracks, sortFlags, ordered), division);
}

bool writeSmfFile(const std::wstring& path, const std::vector<Track>& tracks, const SortFlags& sortFlags) {
    std::vector<EventRefs> ordered;
    return writeSmfFile(path, outputOf(tracks, sortFlags, ordered));
}

bool writeSmfFile(const std::wstring& path, const std::vector<OutputTrack>& tracks) {
    if (tracks.size() > kMaxTracks) {
        return false;
    }
    const EncodedFile file = encodeFile(tracks, songData.division);
    return replaceFileContents(path, piecesOf(file));
}
