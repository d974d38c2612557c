#include <gtest/gtest.h>

#include "song/smf_reader_internal.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

class SmfReader : public ::testing::Test {
protected:
    void SetUp() override { songData = SongData(); }
};

struct RefusedCase {
    const char* name;
    Bytes file;
    friend void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }
};

// Files whose chunk structure is broken are refused whole.
class RefusedFile : public SmfReader, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedFile, IsRefused) { EXPECT_FALSE(parseBytes(GetParam().file)); }

const Bytes kEmptyTrack = mtrk({});

INSTANTIATE_TEST_SUITE_P(
    BrokenStructure, RefusedFile,
    ::testing::Values(
        RefusedCase{"Empty", {}},
        RefusedCase{"ThirteenBytes", [] { Bytes b = mthd(1); b.pop_back(); return b; }()},
        RefusedCase{"HeaderOnlyWithZeroTracks", mthd(0)},
        RefusedCase{"ZeroTracksEvenWithAChunk", mthd(0) + kEmptyTrack},
        RefusedCase{"WrongHeaderId", Bytes{'M', 'T', 'h', 'x'} + u32be(6) + Bytes{0, 1, 0, 1, 1, 0xE0} + kEmptyTrack},
        RefusedCase{"HeaderLengthBelowSix", Bytes{'M', 'T', 'h', 'd'} + u32be(5) + Bytes{0, 1, 0, 1, 1, 0xE0} + kEmptyTrack},
        RefusedCase{"HeaderLengthPastFileEnd", Bytes{'M', 'T', 'h', 'd'} + u32be(0xFFFFFFF0) + Bytes{0, 1, 0, 1, 1, 0xE0} + kEmptyTrack},
        RefusedCase{"MissingSecondTrack", mthd(2) + kEmptyTrack},
        RefusedCase{"ChunkHeaderCutShort", mthd(1) + Bytes{'M', 'T', 'r', 'k', 0, 0, 0}},
        RefusedCase{"OtherChunkWhereTrackIsDue", mthd(2) + kEmptyTrack + Bytes{'X', 'F', 'I', 'H'} + u32be(0) + kEmptyTrack},
        RefusedCase{"ChunkLengthPastFileEnd", mthd(1) + Bytes{'M', 'T', 'r', 'k'} + u32be(5) + Bytes{0, 0x90, 0x3C, 0x64}},
        RefusedCase{"HugeChunkLength", mthd(1) + Bytes{'M', 'T', 'r', 'k'} + u32be(0xFFFFFFFF) + Bytes{0, 0xFF, 0x2F, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SmfReader, SmallestAcceptedFileIsOneEmptyTrack) {
    const Bytes file = mthd(1) + kEmptyTrack;
    ASSERT_EQ(file.size(), 22u);
    ASSERT_TRUE(parseBytes(file));
    ASSERT_EQ(songData.tracks.size(), 1u);
    EXPECT_TRUE(songData.tracks[0].empty());
}

TEST_F(SmfReader, FailedParseKeepsTracksCompletedBeforeIt) {
    EXPECT_FALSE(parseBytes(mthd(2, 96) + mtrk({0, 0x90, 0x3C, 0x64})));
    ASSERT_EQ(songData.tracks.size(), 1u);
    EXPECT_EQ(songData.division, 96);
}

TEST_F(SmfReader, HeaderRefusalLeavesNoTracksAndKeepsDivision) {
    ASSERT_TRUE(parseBytes(mthd(1, 96) + mtrk({0, 0x90, 0x3C, 0x64})));
    EXPECT_FALSE(parseBytes(Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}));
    EXPECT_TRUE(songData.tracks.empty());
    EXPECT_EQ(songData.division, 96);
}

TEST_F(SmfReader, LongerHeaderIsSkippedAndFormatIsIgnored) {
    for (std::uint8_t format : {0, 1, 2, 7}) {
        const Bytes file = Bytes{'M', 'T', 'h', 'd'} + u32be(8) + Bytes{0, format, 0, 1, 0xE7, 0x28, 0xAA, 0xBB} +
                           mtrk({0, 0xC0, 5});
        ASSERT_TRUE(parseBytes(file)) << int(format);
        ASSERT_EQ(songData.tracks.size(), 1u);
        EXPECT_EQ(songData.tracks[0], Track({ev(0, 0xC0, {5})}));
        EXPECT_EQ(songData.division, 0xE728);  // SMPTE division kept as it is
    }
}

TEST_F(SmfReader, BytesAfterTheLastDeclaredChunkAreIgnored) {
    ASSERT_TRUE(parseBytes(mthd(1) + kEmptyTrack + mtrk({0, 0x90, 0x3C, 0x64}) + Bytes{1, 2, 3}));
    EXPECT_EQ(songData.tracks.size(), 1u);
}

TEST_F(SmfReader, EventShapesAsStored) {
    ASSERT_TRUE(parseBytes(mthd(1) + mtrk({
                                          0x00, 0xFF, 0x03, 0x04, 'A', 'B', 'C', 'D',     // meta
                                          0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7,  // sysex
                                          0x00, 0xF7, 0x01, 0x42,                          // escape
                                          0x00, 0x90, 0x3C, 0x00,                          // velocity-0 note-on
                                          0x00, 0xC3, 0x10,                                // program change
                                          0x00, 0xD3, 0x20,                                // channel pressure
                                          0x00, 0xE1, 0x00, 0x40,                          // pitch bend
                                          0x00, 0xF2, 0x01, 0x02,                          // a system byte
                                          0x00, 0xFF, 0x2F, 0x00,
                                      })));
    const Track expected = {
        MidiEvent{0, 0xFF, {0x03, 'A', 'B', 'C', 'D'}, 4}, MidiEvent{0, 0xF0, {0x7E, 0x7F, 0x09, 0x01, 0xF7}, 5},
        MidiEvent{0, 0xF7, {0x42}, 1},                     ev(0, 0x90, {0x3C, 0x00}),
        ev(0, 0xC3, {0x10}),                               ev(0, 0xD3, {0x20}),
        ev(0, 0xE1, {0x00, 0x40}),                         ev(0, 0xF2, {0x01, 0x02}),
        endOfTrack(0),
    };
    EXPECT_EQ(songData.tracks.at(0), expected);
}

TEST_F(SmfReader, TicksAccumulateAndWrapAtThirtyTwoBits) {
    ASSERT_TRUE(parseBytes(mthd(1) + mtrk({0x81, 0x00, 0x90, 0x3C, 0x64,                   // +128
                                           0x83, 0xFF, 0x7F, 0x3C, 0x00,                   // +65535
                                           0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x3C, 0x64})));  // +0xFFFFFFFF
    const Track& t = songData.tracks.at(0);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].tick, 128u);
    EXPECT_EQ(t[1].tick, 128u + 65535u);
    EXPECT_EQ(t[2].tick, 128u + 65535u - 1u);
}

TEST_F(SmfReader, RunningStatusSurvivesMetaAndSysex) {
    ASSERT_TRUE(parseBytes(mthd(1) + mtrk({0x00, 0x90, 0x3C, 0x64,        // note-on
                                           0x00, 0xFF, 0x01, 0x01, 'x',   // meta
                                           0x00, 0x3C, 0x00,              // running status
                                           0x00, 0xF0, 0x01, 0xF7,        // sysex
                                           0x00, 0x3E, 0x10})));          // running status again
    const Track& t = songData.tracks.at(0);
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[2], ev(0, 0x90, {0x3C, 0x00}));
    EXPECT_EQ(t[4], ev(0, 0x90, {0x3E, 0x10}));
}

TEST_F(SmfReader, RunningStatusIsFreshInEveryChunk) {
    ASSERT_TRUE(parseBytes(mthd(2) + mtrk({0x00, 0x90, 0x3C, 0x64}) + mtrk({0x00, 0x3C, 0x00})));
    EXPECT_EQ(songData.tracks.at(0).size(), 1u);
    EXPECT_TRUE(songData.tracks.at(1).empty());
}

TEST_F(SmfReader, DataBytesAreKeptEvenWithBitSeven) {
    ASSERT_TRUE(parseBytes(mthd(1) + mtrk({0x00, 0x99, 0xC8, 0x90})));
    EXPECT_EQ(songData.tracks.at(0), Track({ev(0, 0x99, {0xC8, 0x90})}));
}

TEST_F(SmfReader, EventsAfterEndOfTrackAreKept) {
    ASSERT_TRUE(parseBytes(mthd(1) + mtrk({0x00, 0xFF, 0x2F, 0x00, 0x10, 0x90, 0x3C, 0x64})));
    EXPECT_EQ(songData.tracks.at(0), Track({endOfTrack(0), ev(0x10, 0x90, {0x3C, 0x64})}));
}

// A malformed event ends only its own track; the next chunk is read at the
// declared end of this one.
struct CutShortCase {
    const char* name;
    Bytes body;
    Track expected;
    friend void PrintTo(const CutShortCase& c, std::ostream* os) { *os << c.name; }
};

class TrackCutShort : public SmfReader, public ::testing::WithParamInterface<CutShortCase> {};

TEST_P(TrackCutShort, KeepsWhatWasReadAndReadsTheNextChunk) {
    ASSERT_TRUE(parseBytes(mthd(2) + mtrk(GetParam().body) + mtrk({0x00, 0xC9, 0x01})));
    ASSERT_EQ(songData.tracks.size(), 2u);
    EXPECT_EQ(songData.tracks[0], GetParam().expected);
    EXPECT_EQ(songData.tracks[1], Track({ev(0, 0xC9, {0x01})}));
}

INSTANTIATE_TEST_SUITE_P(
    MalformedEvents, TrackCutShort,
    ::testing::Values(
        CutShortCase{"DataByteWithoutRunningStatus", {0x00, 0x3C, 0x64, 0x00, 0x90, 0x3C, 0x64}, {}},
        CutShortCase{"DeltaReachesChunkEnd", {0x00, 0xC0, 0x01, 0x83}, {ev(0, 0xC0, {0x01})}},
        CutShortCase{"SecondDataByteAtChunkEnd", {0x00, 0xC0, 0x01, 0x00, 0x90, 0x3C}, {ev(0, 0xC0, {0x01})}},
        CutShortCase{"ProgramChangeWithoutDataByte", {0x00, 0xC0}, {}},
        CutShortCase{"MetaWithoutTypeByte", {0x00, 0xC0, 0x01, 0x00, 0xFF}, {ev(0, 0xC0, {0x01})}},
        CutShortCase{"MetaPayloadCut", {0x00, 0xFF, 0x01, 0x0A, 'a', 'b', 'c'}, {MidiEvent{0, 0xFF, {0x01, 'a', 'b', 'c'}, 10}}},
        CutShortCase{"SysexPayloadCut", {0x00, 0xF0, 0x7F, 0x01, 0x02}, {MidiEvent{0, 0xF0, {0x01, 0x02}, 127}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SmfReader, SysexStatusAsLastChunkByteTakesItsLengthFromTheNextChunk) {
    // The length quantity is read from "MTrk" of the next chunk: 'M' is 0x4D.
    ASSERT_TRUE(parseBytes(mthd(2) + mtrk({0x00, 0xF0}) + kEmptyTrack));
    EXPECT_EQ(songData.tracks.at(0), Track({MidiEvent{0, 0xF0, {}, 0x4D}}));
    EXPECT_TRUE(songData.tracks.at(1).empty());

    // At the file end there is nothing left to read: length 0.
    ASSERT_TRUE(parseBytes(mthd(1) + mtrk({0x00, 0xF0})));
    EXPECT_EQ(songData.tracks.at(0), Track({MidiEvent{0, 0xF0, {}, 0}}));
}

TEST_F(SmfReader, HugeDeclaredLengthsDoNotAllocate) {
    // A meta event declaring 0xFFFFFFF payload bytes with 2 present, and a
    // six-byte length that wraps.
    ASSERT_TRUE(parseBytes(mthd(2) + mtrk({0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'}) +
                           mtrk({0x00, 0xF0, 0x81, 0x80, 0x80, 0x80, 0x80, 0x05, 1, 2})));
    EXPECT_EQ(songData.tracks[0], Track({MidiEvent{0, 0xFF, {0x01, 'a', 'b'}, 0x0FFFFFFF}}));
    EXPECT_EQ(songData.tracks[1], Track({MidiEvent{0, 0xF0, {1, 2}, 5}}));
}

struct VarLenCase {
    Bytes bytes;
    std::uint32_t value;
    std::size_t end;
};

TEST_F(SmfReader, ReadVarLen) {
    const VarLenCase cases[] = {
        {{0x00}, 0, 1},
        {{0x7F}, 127, 1},
        {{0x81, 0x00}, 128, 2},
        {{0x83, 0xFF, 0x7F}, 65535, 3},
        {{0xFF, 0xFF, 0xFF, 0x7F}, 0x0FFFFFFF, 4},
        {{0x8F, 0xFF, 0xFF, 0xFF, 0x7F}, 0xFFFFFFFF, 5},
        {{0x81, 0x80, 0x80, 0x80, 0x80, 0x05}, 5, 6},  // bits past 31 are lost
        {{0x81, 0x82}, (1u << 7) | 2u, 2},              // file end with bit 7 still set
        {{}, 0, 0},
        {{0x05, 0x99}, 5, 1},
    };
    for (const VarLenCase& c : cases) {
        songData.bytes = c.bytes;
        std::size_t pos = 0;
        EXPECT_EQ(readVarLen(pos), c.value) << ::testing::PrintToString(c.bytes);
        EXPECT_EQ(pos, c.end) << ::testing::PrintToString(c.bytes);
    }
}

TEST_F(SmfReader, DeltaRunningToFileEndEndsTheTrack) {
    ASSERT_TRUE(parseBytes(mthd(1) + mtrk({0x00, 0xC0, 0x01, 0x81})));
    EXPECT_EQ(songData.tracks.at(0), Track({ev(0, 0xC0, {0x01})}));
}

TEST_F(SmfReader, LoadSongReadsFileAndRecordsPath) {
    TempDir dir;
    const std::wstring path = dir.file(L"song.mid");
    writeFileBytes(path, mthd(1, 96) + mtrk({0x00, 0x99, 0x24, 0x64}));
    ASSERT_TRUE(loadSong(path));
    EXPECT_EQ(songData.inputPath, path);
    EXPECT_EQ(songData.division, 96);
    EXPECT_EQ(songData.tracks.size(), 1u);
    EXPECT_EQ(songData.bytes, readFileBytes(path));
}

TEST_F(SmfReader, LoadSongThatCannotOpenChangesNothing) {
    TempDir dir;
    ASSERT_TRUE(parseBytes(mthd(1, 96) + kEmptyTrack));
    songData.inputPath = L"before.mid";
    EXPECT_FALSE(loadSong(dir.file(L"missing.mid")));
    EXPECT_FALSE(loadSong(dir.path.wstring()));  // a folder
    EXPECT_EQ(songData.inputPath, L"before.mid");
    EXPECT_EQ(songData.tracks.size(), 1u);
}

TEST_F(SmfReader, LoadSongOfUnparsableFileKeepsItsBytesAndPath) {
    TempDir dir;
    const std::wstring path = dir.file(L"notes.txt");
    writeFileBytes(path, {'h', 'e', 'l', 'l', 'o'});
    EXPECT_FALSE(loadSong(path));
    EXPECT_EQ(songData.inputPath, path);
    EXPECT_EQ(songData.bytes.size(), 5u);
    EXPECT_TRUE(songData.tracks.empty());
}

TEST_F(SmfReader, SecondLoadReplacesEveryTrack) {
    ASSERT_TRUE(parseBytes(mthd(3) + kEmptyTrack + kEmptyTrack + kEmptyTrack));
    ASSERT_TRUE(parseBytes(mthd(1) + mtrk({0x00, 0xC0, 0x01})));
    EXPECT_EQ(songData.tracks.size(), 1u);
}

}  // namespace
