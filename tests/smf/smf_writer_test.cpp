#include <gtest/gtest.h>

#include <bitset>

#include "smf/smf_writer.h"
#include "smf/smf_writer_internal.h"
#include "song/smf_reader_internal.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

Bytes encode(const std::vector<Track>& tracks, const SortFlags& flags = {}, std::uint16_t division = 480) {
    Bytes out;
    EXPECT_TRUE(encodeSmf(out, tracks, flags, division));
    return out;
}

// The track chunk that a file of one track holds.
Bytes chunkOf(const Track& track, bool sorted = false) {
    const Bytes file = encode({track}, {sorted});
    return Bytes(file.begin() + 14, file.end());
}

const Bytes kEndOnly = mtrk({0x00, 0xFF, 0x2F, 0x00});

TEST(SmfWriter, TwoNoteEventsGiveTheThirtyFiveByteFile) {
    const Bytes expected = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0x01, 0xE0, 'M',  'T',  'r', 'k',
                            0,   0,   0,   0x0D, 0, 0x90, 0x3C, 0x64, 0x83, 0x60, 0x80, 0x3C, 0x40, 0, 0xFF, 0x2F, 0};
    const Bytes actual = encode({{ev(0, 0x90, {0x3C, 0x64}), ev(480, 0x80, {0x3C, 0x40})}});
    EXPECT_EQ(actual.size(), 35u);
    EXPECT_EQ(actual, expected);
}

TEST(SmfWriter, EmptyTrackListGivesTheFourteenByteHeader) {
    EXPECT_EQ(encode({}, {}, 0xE250), (Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 0, 0xE2, 0x50}));
}

TEST(SmfWriter, EndOfTrackIsWrittenOnceAtTheLastEvent) {
    struct Case {
        const char* name;
        Track track;
        Bytes chunk;
    };
    const Case cases[] = {
        {"NoEvents", {}, kEndOnly},
        {"OnlyEndOfTrack", {endOfTrack(0), endOfTrack(50)}, kEndOnly},
        {"LateEndOfTrackIsMovedToTheLastEvent", {ev(1000, 0xC0, {1}), endOfTrack(1960)},
         mtrk({0x87, 0x68, 0xC0, 0x01, 0x00, 0xFF, 0x2F, 0x00})},
        {"EndOfTrackInTheMiddleIsDropped", {ev(0, 0xC0, {1}), endOfTrack(10), ev(20, 0xC0, {2})},
         mtrk({0x00, 0xC0, 0x01, 0x14, 0xC0, 0x02, 0x00, 0xFF, 0x2F, 0x00})},
        {"SysexStartingWith2FIsNoEndOfTrack", {MidiEvent{0, 0xF0, {0x2F}, 1}},
         mtrk({0x00, 0xF0, 0x01, 0x2F, 0x00, 0xFF, 0x2F, 0x00})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chunkOf(c.track), c.chunk) << c.name;
    }
}

TEST(SmfWriter, EventBytes) {
    struct Case {
        const char* name;
        MidiEvent event;
        Bytes bytes;  // empty: the event is left out
    };
    const Case cases[] = {
        {"NoteOn", ev(0, 0x99, {0x24, 0x64}), {0x99, 0x24, 0x64}},
        {"ExtraDataBytesNotWritten", ev(0, 0xC3, {0x05, 0x06}), {0xC3, 0x05}},
        {"ChannelPressure", ev(0, 0xD0, {0x10}), {0xD0, 0x10}},
        {"SystemByteAsTwoDataBytes", ev(0, 0xF2, {0x01, 0x02}), {0xF2, 0x01, 0x02}},
        {"Meta", meta(0, 0x03, {'A', 'B'}), {0xFF, 0x03, 0x02, 'A', 'B'}},
        {"MetaWithEmptyPayload", meta(0, 0x01, {}), {0xFF, 0x01, 0x00}},
        {"Sysex", MidiEvent{0, 0xF0, {0x7E, 0xF7}, 2}, {0xF0, 0x02, 0x7E, 0xF7}},
        {"Escape", MidiEvent{0, 0xF7, {0x42}, 1}, {0xF7, 0x01, 0x42}},
        // Cut short by a truncated chunk: written with the bytes present.
        {"MetaShorterThanDeclared", MidiEvent{0, 0xFF, {0x01, 'a', 'b', 'c'}, 10}, {0xFF, 0x01, 0x03, 'a', 'b', 'c'}},
        {"SysexShorterThanDeclared", MidiEvent{0, 0xF0, {}, 0x4D}, {0xF0, 0x00}},
        {"MetaWithoutType", MidiEvent{0, 0xFF, {}, 0}, {}},
        {"NoteWithOneDataByte", ev(0, 0x90, {0x3C}), {}},
        {"ProgramChangeWithoutData", ev(0, 0xC0, {}), {}},
    };
    for (const Case& c : cases) {
        Bytes out;
        EXPECT_EQ(writeEventBytes(out, c.event), !c.bytes.empty()) << c.name;
        EXPECT_EQ(out, c.bytes) << c.name;
    }
}

TEST(SmfWriter, EventsTooShortToWriteAreLeftOutWithoutDisturbingTime) {
    EXPECT_EQ(chunkOf({ev(10, 0xC0, {1}), MidiEvent{20, 0xFF, {}, 0}, ev(30, 0xC0, {2})}),
              mtrk({0x0A, 0xC0, 0x01, 0x14, 0xC0, 0x02, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST(SmfWriter, VariableLengthQuantities) {
    const std::pair<std::uint32_t, Bytes> cases[] = {
        {0, {0x00}},
        {127, {0x7F}},
        {128, {0x81, 0x00}},
        {0x3FFF, {0xFF, 0x7F}},
        {0x4000, {0x81, 0x80, 0x00}},
        {0x1FFFFF, {0xFF, 0xFF, 0x7F}},
        {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
        {0x10000000, {0x81, 0x80, 0x80, 0x80, 0x00}},
        {0xFFFFFFFF, {0x8F, 0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const auto& [value, bytes] : cases) {
        Bytes out;
        writeVarLen(out, value);
        EXPECT_EQ(out, bytes) << value;
        songData.bytes = out;
        std::size_t pos = 0;
        EXPECT_EQ(readVarLen(pos), value);
    }
}

TEST(SmfWriter, RunningStatusIsNeverUsed) {
    EXPECT_EQ(chunkOf({ev(0, 0x90, {0x24, 0x64}), ev(10, 0x90, {0x26, 0x64})}),
              mtrk({0x00, 0x90, 0x24, 0x64, 0x0A, 0x90, 0x26, 0x64, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST(SmfWriter, DecreasingTicksOfAnUnorderedTrackAreClamped) {
    EXPECT_EQ(chunkOf({ev(100, 0xC0, {1}), ev(50, 0xC0, {2}), ev(200, 0xC0, {3})}),
              mtrk({0x64, 0xC0, 0x01, 0x00, 0xC0, 0x02, 0x64, 0xC0, 0x03, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST(SmfWriter, SortFlagsOrderOnlyTheirTracks) {
    const Track unordered = {ev(20, 0xC9, {1}), ev(10, 0xC9, {2})};
    const Bytes sorted = mtrk({0x0A, 0xC9, 0x02, 0x0A, 0xC9, 0x01, 0x00, 0xFF, 0x2F, 0x00});
    const Bytes clamped = mtrk({0x14, 0xC9, 0x01, 0x00, 0xC9, 0x02, 0x00, 0xFF, 0x2F, 0x00});
    // Flags shorter than the track list leave the later tracks unordered.
    const Bytes file = encode({unordered, unordered, unordered}, {false, true});
    EXPECT_EQ(file, mthd(3) + clamped + sorted + clamped);
}

TEST(SmfWriter, FormatIsAlwaysOneAndTracksKeepTheirOrder) {
    const Bytes file = encode({{}, {ev(0, 0xC0, {1})}}, {}, 96);
    EXPECT_EQ(file, mthd(2, 96, 1) + kEndOnly + mtrk({0x00, 0xC0, 0x01, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST(SmfWriter, MoreThan65535TracksAreRefused) {
    Bytes out;
    EXPECT_FALSE(encodeSmf(out, std::vector<Track>(65536), {}, 480));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(encodeSmf(out, std::vector<Track>(65535), {}, 480));
    EXPECT_EQ(out[10], 0xFF);
    EXPECT_EQ(out[11], 0xFF);
}

// Output tracks that share a track or a list are written in one walk of it:
// each must still hold just the events it takes.
TEST(SmfWriter, OutputTracksHoldTheEventsTheyTake) {
    const Track song = {meta(0, 0x03, {'A'}), ev(0, 0x90, {60, 100}), ev(0, 0x99, {36, 100}), ev(5, 0xC9, {1}),
                        ev(10, 0x80, {60, 0}),  ev(10, 0x89, {36, 0}),  ev(10, 0x99, {38, 100})};
    const EventRefs drums = {&song[2], &song[3], &song[5], &song[6]};
    std::bitset<256> kick;
    kick.set(36);
    auto part = [&](int p, bool withoutDrums) { return trackPart(song, p, withoutDrums); };
    auto listed = [&](const std::bitset<256>& notes) { return drumTrack(drums, notes); };
    const struct {
        const char* name;
        std::vector<OutputTrack> tracks;
    } cases[] = {
        {"PartsOfOneTrack", {part(kMetaAndSystem, false), part(0, false), part(9, false)}},
        {"OneTrackTwiceWhole", {part(kWholeTrack, false), part(kWholeTrack, true), part(9, false)}},
        {"ListedTwiceByNote", {listed(kick), listed(~kick), listed(std::bitset<256>())}},
    };
    for (const auto& c : cases) {
        const std::vector<Track> events = eventsOf(c.tracks);
        Bytes expected;
        ASSERT_TRUE(encodeSmf(expected, events, {}, 480));
        Bytes actual;
        ASSERT_TRUE(encodeSmf(actual, c.tracks, 480));
        EXPECT_EQ(actual, expected) << c.name;
    }
    EXPECT_EQ(eventsOf(part(9, true)), Track());
    EXPECT_EQ(eventsOf(listed(kick)), Track({song[2], song[3], song[5]}));
}

// Load, write, load again: the same events but for what the writer's own rules change.
TEST(SmfWriter, RoundTripKeepsEveryEvent) {
    const Bytes original = Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 2, 0xE7, 0x28} +
                           mtrk({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo
                                 0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7,        // sysex
                                 0x00, 0x99, 0x24, 0x64,                    // drum note-on
                                 0x60, 0x24, 0x00,                          // running status release
                                 0x00, 0xB0, 0x07, 0x64,                    //
                                 0x81, 0x00, 0xFF, 0x2F, 0x00}) +           // late End-of-Track
                           mtrk({0x10, 0xE0, 0x00, 0x40, 0x00, 0xFF, 0x2F, 0x00});
    ASSERT_TRUE(parseBytes(original));
    const std::vector<Track> first = songData.tracks;

    Bytes written;
    ASSERT_TRUE(encodeSmf(written, first, {}, songData.division));
    ASSERT_TRUE(parseBytes(written));
    ASSERT_EQ(songData.tracks.size(), first.size());
    EXPECT_EQ(songData.division, 0xE728);
    EXPECT_EQ(written[9], 1);  // format 1

    // Only the End-of-Track moved: to the time of the last event.
    Track expected0 = first[0];
    expected0.back().tick = 0x60;
    EXPECT_EQ(songData.tracks[0], expected0);
    EXPECT_EQ(songData.tracks[1], first[1]);
}

// A body far longer than a block of the writer's room, with an event longer
// than any block, comes out in order, in memory and in the file alike.
TEST(SmfWriter, ALongBodyWithAnEventLongerThanABlockIsWrittenInOrder) {
    Track track;
    Bytes body;
    const auto put = [&body](const Bytes& bytes) { body.insert(body.end(), bytes.begin(), bytes.end()); };
    for (std::uint32_t i = 0; i < 30000; ++i) {
        track.push_back(ev(i * 200, 0x90, {std::uint8_t(i & 0x7F), 0x40}));
        put(i == 0 ? Bytes{0x00} : Bytes{0x81, 0x48});  // 200
        put({0x90, std::uint8_t(i & 0x7F), 0x40});
        if (i == 15000) {
            const Bytes payload(100000, 0x33);
            track.push_back(MidiEvent{i * 200, 0xF0, EventBytes(payload), 100000});
            put({0x00, 0xF0, 0x86, 0x8D, 0x20});  // 100000
            put(payload);
        }
    }
    put({0x00, 0xFF, 0x2F, 0x00});
    EXPECT_EQ(chunkOf(track), mtrk(body));

    TempDir dir;
    songData.division = 480;
    ASSERT_TRUE(writeSmfFile(dir.file(L"out.mid"), {track}, {}));
    EXPECT_EQ(readFileBytes(dir.path / "out.mid"), encode({track}));
}

TEST(SmfWriter, WriteSmfFileUsesTheLoadedDivision) {
    TempDir dir;
    songData.division = 0x0060;
    const std::wstring path = dir.file(L"out.mid");
    ASSERT_TRUE(writeSmfFile(path, {{ev(0, 0x90, {0x3C, 0x64})}}, {}));
    EXPECT_EQ(readFileBytes(path), encode({{ev(0, 0x90, {0x3C, 0x64})}}, {}, 0x0060));
    EXPECT_EQ(dir.entries(), std::vector<std::wstring>{L"out.mid"});
}

TEST(SmfWriter, WritingOverTheLoadedFileWorks) {
    TempDir dir;
    const auto path = dir.path / "song.mid";
    writeFileBytes(path, mthd(1) + mtrk({0x00, 0xC0, 0x01, 0x00, 0xFF, 0x2F, 0x00}));
    ASSERT_TRUE(loadSong(path.wstring()));
    ASSERT_TRUE(writeSmfFile(path.wstring(), songData.tracks, {}));
    EXPECT_EQ(readFileBytes(path), songData.bytes);
}

}  // namespace
