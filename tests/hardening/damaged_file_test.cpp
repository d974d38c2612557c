// Damaged files: every outcome is the one that the reader's rules give. A
// broken chunk structure refuses the file, keeping the tracks read whole
// before it; a malformed event ends its track and keeps what was read.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include "drums/drum_inventory.h"
#include "fuzz/pipeline_check.h"
#include "hardening/hardening_support.h"
#include "support/temp_dir.h"

namespace {

// A track that a refused parse kept must be as in the intact file, but for
// one thing: a system-exclusive status that is its chunk's last byte takes its
// length from the bytes after the chunk, which a cut may have removed.
bool sameTrackReadWhole(const Track& kept, const Track& whole) {
    if (kept.size() != whole.size() || kept.empty()) {
        return kept == whole;
    }
    MidiEvent last = whole.back();
    if (last.status == 0xF0 && last.data.empty()) {
        last.data.setLength(kept.back().length());
    }
    return std::equal(kept.begin(), kept.end() - 1, whole.begin()) && kept.back() == last;
}

bool keptTracksAreWhole(const std::vector<Track>& whole, std::size_t expectedCount) {
    return songData.tracks.size() == expectedCount &&
           std::equal(songData.tracks.begin(), songData.tracks.end(), whole.begin(), sameTrackReadWhole);
}

TEST(DamagedFiles, EveryTruncationIsRefusedAndKeepsTheTracksReadWhole) {
    for (const NamedFile& file : validFiles()) {
        ASSERT_TRUE(parseBytes(file.bytes)) << file.name;
        const std::vector<Track> whole = songData.tracks;
        const std::vector<ChunkSpan> spans = chunkSpans(file.bytes);
        ASSERT_EQ(spans.back().end, file.bytes.size()) << file.name;

        for (std::size_t length = 0; length < file.bytes.size(); ++length) {
            const bool parsed = parseBytes(Bytes(file.bytes.begin(), file.bytes.begin() + std::ptrdiff_t(length)));
            const auto complete = std::size_t(std::count_if(spans.begin(), spans.end(),
                                                            [&](const ChunkSpan& s) { return s.end <= length; }));
            if (parsed || !keptTracksAreWhole(whole, complete)) {
                ADD_FAILURE() << file.name << " cut to " << length << " bytes: parsed " << parsed << ", "
                              << songData.tracks.size() << " tracks kept, expected " << complete;
                break;
            }
        }
    }
}

// A track body described event by event, so that a test knows where each
// event's bytes lie and how much of it a cut must leave for it to be kept.
struct BodyEvent {
    Bytes bytes;
    std::size_t keptFrom;     // bytes needed for the event to be stored at all
    std::size_t payloadFrom;  // where a meta or system-exclusive payload starts; 0 for the others
};

// A channel message is stored only whole.
BodyEvent channel(Bytes bytes) { return {bytes, bytes.size(), 0}; }

// A meta event is stored once its type byte is read; a system-exclusive event
// once its status is. Their payload may be cut.
BodyEvent meta(Bytes delta, std::uint8_t type, Bytes length, const Bytes& payload) {
    const std::size_t kept = delta.size() + 2;
    return {delta + Bytes{0xFF, type} + length + payload, kept, kept + length.size()};
}
BodyEvent sysex(Bytes delta, std::uint8_t status, Bytes length, const Bytes& payload) {
    const std::size_t kept = delta.size() + 1;
    return {delta + Bytes{status} + length + payload, kept, kept + length.size()};
}

Bytes bodyOf(const std::vector<BodyEvent>& events) {
    Bytes body;
    for (const BodyEvent& e : events) {
        body = body + e.bytes;
    }
    return body;
}

// Every kind of event, with running status, long deltas and lengths.
const std::vector<BodyEvent>& eventZoo() {
    static const std::vector<BodyEvent> events = {
        meta({0x00}, 0x51, {0x03}, {0x07, 0xA1, 0x20}),
        channel({0x00, 0x99, 36, 100}),
        channel({0x60, 38, 90}),  // running status
        sysex({0x83, 0x60}, 0xF0, {0x05}, {0x7E, 0x7F, 0x09, 0x01, 0xF7}),
        channel({0x00, 0xC9, 0x05}),
        meta({0x00}, 0x01, {0x81, 0x00}, Bytes(128, 'x')),
        channel({0x81, 0x80, 0x00, 0x89, 36, 0x40}),
        sysex({0x00}, 0xF7, {0x02}, {0xF3, 0x01}),
        meta({0x00}, 0x2F, {0x00}, {}),
    };
    return events;
}

// What a track cut after `cut` bytes of its body must hold: the events that lie
// whole before the cut, then the one the cut goes through, if its kind is kept
// when cut there, with the payload bytes that are present.
Track expectedCutTrack(const std::vector<BodyEvent>& events, const Track& whole, std::size_t cut,
                       const Track& actual) {
    Track expected;
    std::size_t offset = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const BodyEvent& e = events[i];
        if (offset + e.bytes.size() <= cut) {
            expected.push_back(whole[i]);
            offset += e.bytes.size();
            continue;
        }
        if (e.payloadFrom != 0 && cut - offset >= e.keptFrom) {
            MidiEvent partial = whole[i];
            const std::size_t payloadStart = offset + e.payloadFrom;
            const std::size_t present = cut > payloadStart ? cut - payloadStart : 0;
            const std::size_t typeBytes = partial.status == 0xFF ? 1 : 0;
            partial.data = EventBytes(whole[i].data.begin(), whole[i].data.begin() + typeBytes + present,
                                      whole[i].length());
            // A length quantity cut short is finished with the bytes after the chunk: not this test's point.
            if (cut < payloadStart && expected.size() < actual.size()) {
                partial.data.setLength(actual[expected.size()].length());
            }
            expected.push_back(partial);
        }
        break;
    }
    return expected;
}

TEST(DamagedFiles, EveryCutOfATrackWhoseChunkSaysSoKeepsWhatLiesBeforeTheCut) {
    const std::vector<BodyEvent>& events = eventZoo();
    const Bytes body = bodyOf(events);
    const Bytes other = mtrk({0x00, 0xC0, 0x07, 0x00, 0xFF, 0x2F, 0x00});
    ASSERT_TRUE(parseBytes(mthd(1) + mtrk(body)));
    const Track whole = songData.tracks.at(0);
    ASSERT_EQ(whole.size(), events.size());
    ASSERT_TRUE(parseBytes(mthd(1) + other));
    const Track otherTrack = songData.tracks.at(0);

    // The cut track last (its quantities run to the file end) and first (they
    // run into the next chunk's header).
    for (const bool cutTrackFirst : {false, true}) {
        for (std::size_t cut = 0; cut <= body.size(); ++cut) {
            const Bytes cutChunk = mtrk(Bytes(body.begin(), body.begin() + std::ptrdiff_t(cut)));
            const Bytes file = cutTrackFirst ? mthd(2) + cutChunk + other : mthd(2) + other + cutChunk;
            ASSERT_TRUE(parseBytes(file)) << "cut at " << cut;
            ASSERT_EQ(songData.tracks.size(), 2u);
            const Track& cutTrack = songData.tracks[cutTrackFirst ? 0 : 1];
            ASSERT_EQ(cutTrack, expectedCutTrack(events, whole, cut, cutTrack))
                << "cut at " << cut << (cutTrackFirst ? ", first track" : ", last track");
            ASSERT_EQ(songData.tracks[cutTrackFirst ? 1 : 0], otherTrack) << "cut at " << cut;
        }
    }
}

constexpr std::size_t kNone = std::size_t(-1);

// A small file of three tracks whose every byte's role is known.
struct MappedFile {
    Bytes bytes;
    std::vector<ChunkSpan> spans;
    std::vector<std::vector<std::size_t>> eventEnds;  // per track: where each event's bytes end, in the file
};

MappedFile smallFile() {
    const std::vector<std::vector<BodyEvent>> tracks = {
        {meta({0x00}, 0x51, {0x03}, {0x07, 0xA1, 0x20}), meta({0x00}, 0x2F, {0x00}, {})},
        {channel({0x00, 0xC0, 0x05}), channel({0x00, 0x90, 60, 100}), channel({0x60, 60, 0}),
         meta({0x00}, 0x2F, {0x00}, {})},
        {channel({0x00, 0x99, 36, 100}), channel({0x30, 0x89, 36, 64}), channel({0x00, 0xB9, 0x07, 0x64}),
         sysex({0x00}, 0xF0, {0x02}, {0x01, 0xF7}), meta({0x00}, 0x2F, {0x00}, {})},
    };
    MappedFile file{mthd(3, 96), {}, {}};
    for (const std::vector<BodyEvent>& events : tracks) {
        const std::size_t start = file.bytes.size();
        file.bytes = file.bytes + mtrk(bodyOf(events));
        file.spans.push_back({start, file.bytes.size()});
        std::vector<std::size_t> ends;
        std::size_t at = start + 8;
        for (const BodyEvent& e : events) {
            at += e.bytes.size();
            ends.push_back(at);
        }
        file.eventEnds.push_back(ends);
    }
    return file;
}

std::uint32_t be32At(const Bytes& b, std::size_t at) {
    return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 | std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

bool startsTrackChunk(const Bytes& b, std::size_t at) {
    return at <= b.size() && b.size() - at >= 4 && b[at] == 'M' && b[at + 1] == 'T' && b[at + 2] == 'r' &&
           b[at + 3] == 'k';
}

// The outcome that a single flipped bit must give, from the role of its byte.
struct FlipOutcome {
    bool parsed;
    std::size_t tracksKept;          // tracks in songData afterwards
    std::size_t changedTrack = kNone;  // the one track that may differ
    std::size_t unchangedEvents = 0;   // its first events, which must be there as they were
};

// Events of track `j` whose bytes all lie before `limit`.
std::size_t eventsBefore(const MappedFile& f, std::size_t j, std::size_t limit) {
    const std::vector<std::size_t>& ends = f.eventEnds[j];
    return std::size_t(std::count_if(ends.begin(), ends.end(), [&](std::size_t e) { return e <= limit; }));
}

FlipOutcome expectedFlipOutcome(const MappedFile& f, const Bytes& flipped, std::size_t at) {
    const std::size_t total = f.spans.size();
    if (at < 8) {
        // The header's id, or its length: the first chunk is looked for elsewhere.
        const std::size_t firstChunk = 8 + std::size_t{be32At(flipped, 4)};
        EXPECT_FALSE(at >= 4 && startsTrackChunk(flipped, firstChunk)) << "the test file needs another layout";
        return {false, 0};
    }
    if (at < 10 || at == 12 || at == 13) {
        return {true, total};  // the format is not read; the division is stored as it is
    }
    if (at < 12) {
        const std::size_t declared = std::size_t{flipped[10]} << 8 | flipped[11];
        return {declared != 0 && declared <= total, declared == 0 ? 0 : std::min(declared, total)};
    }
    for (std::size_t j = 0; j < total; ++j) {
        const ChunkSpan& s = f.spans[j];
        if (at >= s.end) {
            continue;
        }
        if (at < s.start + 4) {
            return {false, j};  // a chunk id
        }
        if (at < s.start + 8) {
            const std::size_t length = be32At(flipped, s.start + 4);
            if (length > flipped.size() - (s.start + 8)) {
                return {false, j};
            }
            // The track is read to its new end; the next chunk is sought there.
            const std::size_t newEnd = s.start + 8 + length;
            const FlipOutcome cut{j + 1 == total, j + 1, j, eventsBefore(f, j, std::min(newEnd, s.end))};
            EXPECT_FALSE(j + 1 < total && startsTrackChunk(flipped, newEnd)) << "the test file needs another layout";
            return cut;
        }
        return {true, total, j, eventsBefore(f, j, at)};  // a byte of a track body
    }
    return {true, total};
}

TEST(DamagedFiles, EverySingleBitFlipGivesTheOutcomeOfTheRoleOfItsByte) {
    const MappedFile f = smallFile();
    ASSERT_TRUE(parseBytes(f.bytes));
    const std::vector<Track> whole = songData.tracks;
    const std::uint16_t division = songData.division;

    for (std::size_t at = 0; at < f.bytes.size(); ++at) {
        for (int bit = 0; bit < 8; ++bit) {
            Bytes flipped = f.bytes;
            flipped[at] ^= std::uint8_t(1u << bit);
            const FlipOutcome expected = expectedFlipOutcome(f, flipped, at);
            const bool parsed = parseBytes(flipped);
            const std::string where = "byte " + std::to_string(at) + " bit " + std::to_string(bit);
            ASSERT_EQ(parsed, expected.parsed) << where;
            ASSERT_EQ(songData.tracks.size(), expected.tracksKept) << where;
            for (std::size_t j = 0; j < expected.tracksKept; ++j) {
                const Track& track = songData.tracks[j];
                if (j != expected.changedTrack) {
                    ASSERT_EQ(track, whole[j]) << where << ", track " << j;
                    continue;
                }
                const auto unchanged = std::ptrdiff_t(expected.unchangedEvents);
                ASSERT_GE(track.size(), expected.unchangedEvents) << where;
                ASSERT_TRUE(std::equal(whole[j].begin(), whole[j].begin() + unchanged, track.begin()))
                    << where << ", track " << j;
            }
            if (at == 12 || at == 13) {
                ASSERT_NE(songData.division, division) << where;
            }
        }
    }
}

// Damaged files that parse go through everything the saves do.
TEST(DamagedFiles, AcceptedFlipsAndCutsGoThroughEverySave) {
    TempDir dir;
    PipelineOptions options{dir.path.wstring()};
    const MappedFile f = smallFile();
    std::size_t accepted = 0;
    for (std::size_t at = 0; at < f.bytes.size(); ++at) {
        for (int bit = 0; bit < 8; ++bit) {
            Bytes flipped = f.bytes;
            flipped[at] ^= std::uint8_t(1u << bit);
            const PipelineOutcome outcome = checkPipeline(flipped.data(), flipped.size(), options);
            ASSERT_EQ(outcome.failure, "") << "byte " << at << " bit " << bit;
            accepted += outcome.parsed;
        }
    }
    const Bytes body = bodyOf(eventZoo());
    for (std::size_t cut = 0; cut <= body.size(); ++cut) {
        const Bytes file = mthd(1) + mtrk(Bytes(body.begin(), body.begin() + std::ptrdiff_t(cut)));
        const PipelineOutcome outcome = checkPipeline(file.data(), file.size(), options);
        ASSERT_TRUE(outcome.parsed);
        ASSERT_EQ(outcome.failure, "") << "cut at " << cut;
    }
    EXPECT_GT(accepted, f.bytes.size() * 4);  // most flips fall inside track bodies
}

struct HugeLengthCase {
    const char* name;
    Bytes file;
    bool parsed;
    Track firstTrack;  // what the first track holds, when the file is not refused at its header
};

// Each quantity in a file can declare up to 4 GB; none may be taken at its word.
std::vector<HugeLengthCase> hugeLengthCases() {
    const Bytes tail = mtrk({0x00, 0xC0, 0x01});
    return {
        {"HeaderLength", Bytes{'M', 'T', 'h', 'd'} + u32be(0xFFFFFFFF) + Bytes{0, 1, 0, 1, 1, 0xE0} + tail, false, {}},
        {"HeaderLengthWrappingTo0", Bytes{'M', 'T', 'h', 'd'} + u32be(0xFFFFFFF8) + Bytes{0, 1, 0, 1, 1, 0xE0} + tail,
         false, {}},
        {"ChunkLength", mthd(2) + tail + Bytes{'M', 'T', 'r', 'k'} + u32be(0xFFFFFFFF) + Bytes{0, 0xC0, 2}, false,
         {ev(0, 0xC0, {1})}},
        {"ChunkLengthWrappingTo0", mthd(2) + tail + Bytes{'M', 'T', 'r', 'k'} + u32be(0xFFFFFFF8) + Bytes{0, 0xC0, 2},
         false, {ev(0, 0xC0, {1})}},
        {"TrackCount", mthd(65535) + tail, false, {ev(0, 0xC0, {1})}},
        {"MetaLength", mthd(1) + mtrk({0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}), true,
         {MidiEvent{0, 0xFF, {0x01, 'a', 'b'}, 0xFFFFFFFF}}},
        {"SysexLength", mthd(1) + mtrk({0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x7E, 0xF7}), true,
         {MidiEvent{0, 0xF0, {0x7E, 0xF7}, 0xFFFFFFFF}}},
        {"EscapeLength", mthd(1) + mtrk({0x00, 0xF7, 0xFF, 0xFF, 0xFF, 0x7F, 0xF8}), true,
         {MidiEvent{0, 0xF7, {0xF8}, 0x0FFFFFFF}}},
        // Six-byte quantities keep the low 32 bits: 0x0F << 35 is lost, the rest is all ones.
        {"SixByteMetaLength", mthd(1) + mtrk({0x00, 0xFF, 0x01, 0x8F, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'z'}), true,
         {MidiEvent{0, 0xFF, {0x01, 'z'}, 0xFFFFFFFF}}},
        {"SixByteDelta", mthd(1) + mtrk({0x8F, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xC0, 0x01, 0x01, 0xC0, 0x02}), true,
         {ev(0xFFFFFFFF, 0xC0, {1}), ev(0, 0xC0, {2})}},
    };
}

TEST(DamagedFiles, HugeDeclaredLengthsAreRefusedOrCutToTheBytesPresent) {
    for (const HugeLengthCase& c : hugeLengthCases()) {
        EXPECT_EQ(parseBytes(c.file), c.parsed) << c.name;
        if (!songData.tracks.empty() || !c.firstTrack.empty()) {
            ASSERT_FALSE(songData.tracks.empty()) << c.name;
            EXPECT_EQ(songData.tracks[0], c.firstTrack) << c.name;
        }
    }
}

// Run in a process that cannot map 256 MB more: a reader or a save that took a
// declared length at its word would fail there.
TEST(DamagedFiles, HugeDeclaredLengthsCostNoMemory) {
    TempDir dir;
    const std::wstring folder = dir.path.wstring();
    const std::vector<HugeLengthCase> cases = hugeLengthCases();
    EXPECT_TRUE(runsWithinMemoryLimit(
        [&] {
            for (const HugeLengthCase& c : cases) {
                const PipelineOutcome outcome = checkPipeline(c.file.data(), c.file.size(), {folder});
                if (outcome.parsed != c.parsed || !outcome.failure.empty()) {
                    return false;
                }
            }
            return true;
        },
        std::size_t{256} << 20));

    // Nor is a track chunk taken for the events its length could hold: one
    // system-exclusive event of 64 MB costs its bytes, twice at most.
    EXPECT_TRUE(runsWithinMemoryLimit(
        [] {
            constexpr std::size_t kPayload = std::size_t{64} << 20;
            const Bytes event = {0x00, 0xF0, 0xA0, 0x80, 0x80, 0x00};  // the payload's length, 2^26
            songData.bytes = mthd(1) + Bytes{'M', 'T', 'r', 'k'} + u32be(std::uint32_t(event.size() + kPayload)) + event;
            songData.bytes.resize(songData.bytes.size() + kPayload, 0x01);
            return parseSong() && songData.tracks[0].size() == 1 && songData.tracks[0][0].data.size() == kPayload;
        },
        std::size_t{256} << 20));

    // The limit does stop a process that asks for 4 GB.
    EXPECT_FALSE(runsWithinMemoryLimit([] { return Bytes(std::size_t{4} << 30).size() != 0; }, std::size_t{256} << 20,
                                       true));
}

// Files that are no MIDI file at all, and a folder, dropped where a song goes.
TEST(DamagedFiles, FilesThatAreNoSongAreRefusedAndThePreviousInventoryStays) {
    TempDir dir;
    const Bytes wav = Bytes{'R', 'I', 'F', 'F'} + Bytes{0x24, 0x08, 0, 0} + Bytes{'W', 'A', 'V', 'E', 'f', 'm', 't', ' '} +
                      Bytes{16, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0, 4, 0, 16, 0} +
                      Bytes{'d', 'a', 't', 'a', 0, 8, 0, 0} + Bytes(64, 0);
    const std::string text = "MThd is how a MIDI file starts, but this is a text file about one.\n";
    const Bytes riffMidi = Bytes{'R', 'I', 'F', 'F'} + u32be(0) + Bytes{'R', 'M', 'I', 'D'} + mthd(1) + mtrk({});
    const struct {
        const char* name;
        Bytes bytes;
    } files[] = {
        {"empty.mid", {}},
        {"sound.wav.mid", wav},
        {"readme.mid", Bytes(text.begin(), text.end())},
        {"wrapped.rmi", riffMidi},  // a song inside a RIFF wrapper: no header at offset 0
        {"header-only.mid", mthd(1)},
    };

    ASSERT_TRUE(parseBytes(mthd(1) + mtrk({0x00, 0x99, 36, 100})));
    rebuildDrumInventory();
    const DrumNoteList inventory = drumNoteList;
    for (const auto& f : files) {
        const std::wstring path = dir.file(std::filesystem::path(f.name).wstring());
        writeFileBytes(path, f.bytes);
        EXPECT_FALSE(loadSong(path)) << f.name;
        EXPECT_EQ(songData.inputPath, path) << f.name;
        EXPECT_EQ(songData.bytes, f.bytes) << f.name;
        EXPECT_TRUE(songData.tracks.empty()) << f.name;
        EXPECT_EQ(drumNoteList, inventory) << f.name;
    }

    songData.inputPath = L"before.mid";
    std::filesystem::create_directory(dir.path / "folder.mid");
    EXPECT_FALSE(loadSong(dir.file(L"folder.mid")));
    EXPECT_EQ(songData.inputPath, L"before.mid");  // a folder cannot be opened: nothing changes
}

// What may have no end or no size (a device, a FIFO, a pipe), what cannot be
// read (a read error), and a file far larger than any song are refused at
// once, unread, and nothing of the loaded song changes. In a child whose
// memory is bounded, and which an alarm ends if a load hangs.
TEST(DamagedFiles, InputsWithoutASizeOrTooLargeAreRefusedUnread) {
    TempDir dir;
    ASSERT_EQ(mkfifo((dir.path / "fifo.mid").c_str(), 0644), 0);  // no writer
    writeFileBytes(dir.path / "huge.mid", mthd(1));
    std::filesystem::resize_file(dir.path / "huge.mid", std::uintmax_t{100} << 30);  // sparse
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const Bytes song = mthd(1) + mtrk({0x00, 0x99, 36, 100});
    ASSERT_EQ(write(pipeEnds[1], song.data(), song.size()), ssize_t(song.size()));  // and its writer stays
    const std::wstring inputs[] = {
        L"/dev/zero", L"/dev/urandom", dir.file(L"fifo.mid"), L"/proc/self/fd/" + std::to_wstring(pipeEnds[0]),
        L"/proc/self/mem", dir.file(L"huge.mid"),
    };
    EXPECT_TRUE(runsWithinMemoryLimit(
        [&] {
            alarm(10);
            songData.inputPath = L"before.mid";
            for (const std::wstring& input : inputs) {
                if (loadSong(input)) {
                    return false;
                }
            }
            return songData.inputPath == L"before.mid";
        },
        std::size_t{256} << 20, true));
    close(pipeEnds[0]);
    close(pipeEnds[1]);
}

}  // namespace
