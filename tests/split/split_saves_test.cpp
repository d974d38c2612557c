#include <gtest/gtest.h>

#include <algorithm>

#include "drums/drum_inventory.h"
#include "split/format1.h"
#include "split/output_path.h"
#include "split/save_command.h"
#include "split/split_saves.h"
#include "split/split_test_support.h"
#include "support/program_state.h"
#include "support/temp_dir.h"
#include "ui/texts.h"
#include "ui/window_headless.h"

namespace {

// Tracks named by one program change each, so that a layout reads as a list of names.
Track named(std::uint8_t name) { return {ev(0, 0xC0, {name})}; }
const Track kTr4 = {on(0, 36)};
const Track kTr5 = {on(0, 38)};
const Track kDrums = {kTr4[0], kTr5[0]};

// 36 goes to TR4, 38 to TR5.
SplitResult splitOf(const Track& drums) {
    SplitResult split;
    split.drums = {&drums[0], &drums[1]};
    split.tr4Notes.set(36);
    split.tr5Notes.set(38);
    return split;
}
const SplitResult kSplit = splitOf(kDrums);

std::vector<OutputTrack> whole(const std::vector<Track>& tracks) {
    std::vector<OutputTrack> output;
    for (const Track& track : tracks) {
        output.push_back(trackPart(track));
    }
    return output;
}

TEST(SplitLayout, InsertPutsTheDrumTracksBeforeTrackP) {
    const Track c = named(0), t1 = named(1), t2 = named(2), t3 = named(3), t4 = named(4), t5 = named(5);
    const struct {
        const char* name;
        std::vector<Track> remaining;
        std::size_t position;
        std::vector<Track> output;
    } cases[] = {
        {"ConductorAndFiveTracks", {c, t1, t2, t3, t4, t5}, 4, {c, t1, t2, t3, kTr4, kTr5, t4, t5}},
        {"FiveTracks", {t1, t2, t3, t4, t5}, 3, {t1, t2, t3, kTr4, kTr5, t4, t5}},
        {"ConductorAndOneTrack", {c, t1}, 4, {c, t1, {}, {}, kTr4, kTr5}},
        {"NoTracks", {}, 3, {{}, {}, {}, kTr4, kTr5}},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(eventsOf(splitInsertLayout(whole(k.remaining), kSplit, k.position)), k.output) << k.name;
    }
}

TEST(SplitLayout, OverwritePutsTheDrumTracksInPlaceOfTracksPAndPPlusOne) {
    const Track c = named(0), t1 = named(1), t2 = named(2), t3 = named(3), t4 = named(4), t5 = named(5);
    const Track t6 = named(6), t7 = named(7), t8 = named(8);
    const struct {
        const char* name;
        std::vector<Track> remaining;
        std::size_t position;
        std::vector<Track> output;
    } cases[] = {
        {"ConductorAndEightTracks", {c, t1, t2, t3, t4, t5, t6, t7, t8}, 4, {c, t1, t2, t3, kTr4, kTr5, t6, t7, t8}},
        {"ConductorAndTwoTracks", {c, t1, t2}, 4, {c, t1, t2, {}, kTr4, kTr5}},
        {"ThreeTracks", {t1, t2, t3}, 3, {t1, t2, t3, kTr4, kTr5}},
        {"FourTracksLoseTheFourth", {t1, t2, t3, t4}, 3, {t1, t2, t3, kTr4, kTr5}},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(eventsOf(splitOverwriteLayout(whole(k.remaining), kSplit, k.position)), k.output) << k.name;
    }
}

// A song loaded from disk, saved by the three commands, read back.
class Saves : public ::testing::Test {
protected:
    void SetUp() override { resetProgramState(); }

    void loadFile(const Bytes& file) {
        writeFileBytes(dir.path / "song.mid", file);
        fileLoaded = loadSong(dir.file(L"song.mid"));
        ASSERT_TRUE(fileLoaded);
    }

    // The tracks of a written file.
    std::vector<Track> readBack(const std::wstring& name) {
        const SongData kept = songData;
        EXPECT_TRUE(parseBytes(readFileBytes(dir.path / name))) << "cannot read back";
        std::vector<Track> tracks = songData.tracks;
        songData = kept;
        return tracks;
    }

    TempDir dir;
    WindowHandle window = reinterpret_cast<WindowHandle>(0x1234);
};

// A conductor track; tracks 1 to 5, drums in 2, 4 and 5; a track 6 with drums too.
//   36: tracks 2, 4 -> TR4;  38: track 5 -> TR5;  42: tracks 4, 5 -> BOTH;  49: track 6 -> TR4.
Bytes multiTrackSong() {
    const Bytes conductor = mtrk({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00});
    const Bytes piano = mtrk({0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00});
    const Bytes bassAndKick = mtrk({0x00, 0x91, 0x24, 0x64, 0x00, 0x99, 36, 0x64, 0x30, 0x89, 36, 0x40,
                                    0x30, 0x81, 0x24, 0x40, 0x00, 0xFF, 0x2F, 0x00});
    const Bytes strings = mtrk({0x00, 0x92, 0x48, 0x50, 0x60, 0x92, 0x48, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    const Bytes kickHat = mtrk({0x00, 0xFF, 0x03, 0x04, 'K', 'i', 't', '1', 0x00, 0xB9, 0x07, 0x64,
                                0x10, 0x99, 36, 0x64, 0x00, 42, 0x50, 0x10, 36, 0x00, 0x00, 42, 0x00,
                                0x00, 0xFF, 0x2F, 0x00});
    const Bytes snareHat = mtrk({0x08, 0x99, 38, 0x64, 0x00, 42, 0x50, 0x10, 0x89, 38, 0x40, 0x00, 42, 0x40,
                                 0x00, 0x95, 0x30, 0x64, 0x00, 0xFF, 0x2F, 0x00});
    const Bytes crash = mtrk({0x40, 0x99, 49, 0x7F, 0x40, 0x99, 49, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    return mthd(7, 96) + conductor + piano + bassAndKick + strings + kickHat + snareHat + crash;
}

std::vector<std::uint8_t> drumNotesOf(const Track& track) {
    std::vector<std::uint8_t> notes;
    for (const MidiEvent& e : track) {
        if (isDrumNoteEvent(e)) {
            notes.push_back(e.data[0]);
        }
    }
    return notes;
}

bool hasDrumEvents(const Track& track) {
    return std::any_of(track.begin(), track.end(), [](const MidiEvent& e) { return isDrumChannel(e.status); });
}

TEST_F(Saves, AllThreeSavesFollowTheUsersDestinations) {
    loadFile(multiTrackSong());
    ASSERT_EQ(assignmentMap, (AssignmentMap{{36, TR4}, {38, TR5}, {42, BOTH}, {49, TR4}}));
    const std::vector<Track> loaded = songData.tracks;

    // The user moves the crash to TR5 and the hat to TR4 only.
    assignmentMap[49] = TR5;
    assignmentMap[42] = TR4;

    const SaveOutcome insert = saveSplitInsert(window);
    EXPECT_EQ(headlessWindow.statusLine, L"Saved: split insert (_S.mid)");
    const SaveOutcome overwrite = saveSplitOverwrite(window);
    EXPECT_EQ(headlessWindow.statusLine, L"Saved: split overwrite (_OW.mid)");
    const SaveOutcome formatOne = saveFormat1(window);
    EXPECT_EQ(headlessWindow.statusLine, L"Saved: format1 only (_F1.mid)");
    EXPECT_TRUE(insert.written && overwrite.written && formatOne.written);
    EXPECT_EQ(insert.path, dir.file(L"song_S.mid"));
    EXPECT_EQ(overwrite.path, dir.file(L"song_OW.mid"));
    EXPECT_EQ(formatOne.path, dir.file(L"song_F1.mid"));
    EXPECT_EQ(headlessWindow.statusTimerStarts, 3);
    EXPECT_EQ(headlessWindow.lastTimerWindow, window);
    EXPECT_EQ(dir.entries(), (std::vector<std::wstring>{L"song.mid", L"song_F1.mid", L"song_OW.mid", L"song_S.mid"}));

    // The song, the destinations and the inventory are as they were.
    EXPECT_EQ(songData.tracks, loaded);
    EXPECT_EQ(songData.inputPath, dir.file(L"song.mid"));
    EXPECT_EQ(assignmentMap[42], TR4);
    EXPECT_EQ(drumNoteList, (DrumNoteList{36, 38, 42, 49}));

    // _S.mid: conductor, tracks 1-3, TR4, TR5, tracks 4-6 without their drums.
    const std::vector<Track> inserted = readBack(L"song_S.mid");
    ASSERT_EQ(inserted.size(), 9u);
    const Track tr4 = inserted[4];
    const Track tr5 = inserted[5];
    // Time order, releases before starts at one tick; the drum controller goes to both.
    EXPECT_EQ(tr4, Track({ev(0, 0x99, {36, 0x64}), ev(0, 0xB9, {0x07, 0x64}), ev(0x08, 0x99, {42, 0x50}),
                          ev(0x10, 0x99, {36, 0x64}), ev(0x10, 0x99, {42, 0x50}), ev(0x18, 0x89, {42, 0x40}),
                          ev(0x20, 0x99, {36, 0x00}), ev(0x20, 0x99, {42, 0x00}), ev(0x30, 0x89, {36, 0x40}),
                          endOfTrack(0x30)}));
    EXPECT_EQ(tr5, Track({ev(0, 0xB9, {0x07, 0x64}), ev(0x08, 0x99, {38, 0x64}), ev(0x18, 0x89, {38, 0x40}),
                          ev(0x40, 0x99, {49, 0x7F}), ev(0x80, 0x99, {49, 0x00}), endOfTrack(0x80)}));
    for (std::size_t i : {0u, 1u, 2u, 3u, 6u, 7u, 8u}) {
        EXPECT_FALSE(hasDrumEvents(inserted[i])) << i;
    }
    EXPECT_EQ(inserted[6], Track({meta(0, 0x03, {'K', 'i', 't', '1'}), endOfTrack(0)}));
    EXPECT_EQ(inserted[7], Track({ev(0x18, 0x95, {0x30, 0x64}), endOfTrack(0x18)}));
    EXPECT_EQ(inserted[8], Track({endOfTrack(0)}));                    // track 6 held only drums

    // _OW.mid: tracks 4 and 5 replaced by TR4 and TR5; track 6 follows.
    const std::vector<Track> overwritten = readBack(L"song_OW.mid");
    ASSERT_EQ(overwritten.size(), 7u);
    EXPECT_EQ(overwritten[4], tr4);
    EXPECT_EQ(overwritten[5], tr5);
    EXPECT_EQ(overwritten[6], inserted[8]);

    // _F1.mid: the tracks as loaded, drums included.
    const std::vector<Track> format1 = readBack(L"song_F1.mid");
    ASSERT_EQ(format1.size(), loaded.size());
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        EXPECT_EQ(drumNotesOf(format1[i]), drumNotesOf(loaded[i])) << i;
        EXPECT_EQ(format1[i].size(), loaded[i].size()) << i;
    }
}

TEST_F(Saves, SingleTrackSongIsSplitByChannelFirst) {
    // Channels 1 to 3 and 10: meta, ch1, ch2, ch3, TR4, TR5, then the emptied drum track.
    loadFile(mthd(1, 480, 0) + mtrk({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x90, 0x3C, 0x64,
                                     0x00, 0x91, 0x3C, 0x64, 0x00, 0x92, 0x3C, 0x64, 0x00, 0x99, 36, 0x64,
                                     0x00, 0x99, 38, 0x64, 0x10, 0x89, 36, 0x40, 0x00, 0x89, 38, 0x40,
                                     0x00, 0xFF, 0x2F, 0x00}));
    assignmentMap[38] = TR5;
    saveSplitInsert(window);
    const std::vector<Track> inserted = readBack(L"song_S.mid");
    ASSERT_EQ(inserted.size(), 7u);
    EXPECT_EQ(drumNotesOf(inserted[4]), (std::vector<std::uint8_t>{36, 36}));
    EXPECT_EQ(drumNotesOf(inserted[5]), (std::vector<std::uint8_t>{38, 38}));
    EXPECT_EQ(inserted[6], Track({endOfTrack(0)}));
    EXPECT_EQ(inserted[0].size(), 2u);  // tempo and End-of-Track: P was 4, the meta track is a conductor

    saveFormat1(window);
    const std::vector<Track> format1 = readBack(L"song_F1.mid");
    ASSERT_EQ(format1.size(), 5u);
    EXPECT_EQ(drumNotesOf(format1[4]), (std::vector<std::uint8_t>{36, 38, 36, 38}));
}

TEST_F(Saves, SongWithoutDrumsStillGetsTwoDrumTracks) {
    loadFile(mthd(2) + mtrk({0x00, 0xC0, 0x01}) + mtrk({0x00, 0xC1, 0x02}));
    saveSplitOverwrite(window);
    const std::vector<Track> output = readBack(L"song_OW.mid");
    ASSERT_EQ(output.size(), 5u);
    EXPECT_EQ(output[2], Track({endOfTrack(0)}));
    EXPECT_EQ(output[3], Track({endOfTrack(0)}));
    EXPECT_EQ(output[4], Track({endOfTrack(0)}));
}

TEST_F(Saves, NothingHappensWhileNoSongIsLoaded) {
    loadFile(multiTrackSong());
    fileLoaded = false;
    headlessWindow.overwriteBoxChecked = true;
    EXPECT_FALSE(saveSplitInsert(window).written);
    EXPECT_FALSE(saveSplitOverwrite(window).written);
    EXPECT_FALSE(saveFormat1(window).written);
    EXPECT_EQ(dir.entries(), std::vector<std::wstring>{L"song.mid"});
    EXPECT_EQ(headlessWindow.statusTimerStarts, 0);
    EXPECT_FALSE(overwriteInput);  // not even the check box is read
}

TEST_F(Saves, OnlyTheSplitOverwriteSaveReadsTheCheckBoxAtTheMomentOfTheSave) {
    loadFile(multiTrackSong());
    const Bytes original = readFileBytes(dir.path / "song.mid");
    headlessWindow.overwriteBoxChecked = true;

    saveSplitInsert(window);
    saveFormat1(window);
    EXPECT_EQ(readFileBytes(dir.path / "song.mid"), original);
    EXPECT_FALSE(overwriteInput);

    saveSplitOverwrite(window);
    EXPECT_TRUE(overwriteInput);
    EXPECT_EQ(headlessWindow.statusLine, L"Saved: Direct Overwrite to Input File");
    EXPECT_EQ(dir.entries(), (std::vector<std::wstring>{L"song.mid", L"song_F1.mid", L"song_S.mid"}));
    const Bytes firstOverwrite = readFileBytes(dir.path / "song.mid");
    EXPECT_NE(firstOverwrite, original);
    EXPECT_EQ(songData.bytes, original);  // memory keeps the song as loaded

    // A second overwrite works from the song as first loaded: the same bytes.
    saveSplitOverwrite(window);
    EXPECT_EQ(readFileBytes(dir.path / "song.mid"), firstOverwrite);

    headlessWindow.overwriteBoxChecked = false;
    saveSplitOverwrite(window);
    EXPECT_FALSE(overwriteInput);
    EXPECT_EQ(headlessWindow.statusLine, L"Saved: split overwrite (_OW.mid)");
    EXPECT_EQ(readFileBytes(dir.path / "song_OW.mid"), firstOverwrite);
}

TEST_F(Saves, FailedSaveSaysSoAndLeavesTheSongAsLoaded) {
    loadFile(multiTrackSong());
    const std::vector<Track> loaded = songData.tracks;
    std::filesystem::create_directory(dir.path / "song_S.mid");  // the output path is taken by a folder
    std::filesystem::create_directory(dir.path / "song_F1.mid");
    headlessWindow.statusLine = L"before";
    EXPECT_FALSE(saveSplitInsert(window).written);
    EXPECT_FALSE(saveFormat1(window).written);
    EXPECT_EQ(headlessWindow.statusLine, L"Save failed.");
    EXPECT_EQ(headlessWindow.statusTimerStarts, 2);
    EXPECT_EQ(songData.tracks, loaded);
}

TEST_F(Saves, SuccessTextsFollowTheActiveLanguage) {
    loadFile(multiTrackSong());
    activeTexts = &japaneseTexts;
    saveSplitInsert(window);
    EXPECT_EQ(headlessWindow.statusLine, L"保存完了: 分割挿入 (_S.mid)");
}

}  // namespace
