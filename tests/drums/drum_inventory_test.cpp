#include <gtest/gtest.h>

#include "drums/drum_inventory.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"
#include "ui/window_headless.h"

namespace {

const Bytes kConductor = mtrk({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x58, 0x04, 4, 2, 24, 8,
                               0x00, 0xFF, 0x03, 0x01, 'x', 0x00, 0xFF, 0x2F, 0x00});
const Bytes kNoDrums = mtrk({0x00, 0xC0, 0x01, 0x00, 0x90, 0x3C, 0x64});

Bytes drumHit(std::uint8_t note) { return mtrk({0x00, 0x99, note, 0x64, 0x10, 0x89, note, 0x40}); }

class DrumInventory : public ::testing::Test {
protected:
    void SetUp() override {
        songData = SongData();
        headlessWindow = HeadlessWindow();
    }

    // Loads `file` as a dropped file would be.
    bool load(const Bytes& file) {
        writeFileBytes(dir.path / "song.mid", file);
        return loadSong(dir.file(L"song.mid"));
    }

    TempDir dir;
};

TEST_F(DrumInventory, ConductorTrackIsLeftOutOfTheNumbering) {
    // Drums in the 5th and 6th chunks of the file: tracks 4 and 5.
    ASSERT_TRUE(load(mthd(6) + kConductor + kNoDrums + kNoDrums + kNoDrums +
                     mtrk({0x00, 0x99, 36, 0x64, 0x00, 0x99, 42, 0x64}) + mtrk({0x00, 0x99, 38, 0x64, 0x00, 0x99, 42, 0x64})));
    EXPECT_EQ(drumNoteList, (DrumNoteList{36, 38, 42}));
    EXPECT_EQ(assignmentMap, (AssignmentMap{{36, TR4}, {38, TR5}, {42, BOTH}}));
    EXPECT_EQ(trackLabelMap, (TrackLabelMap{{36, L"4"}, {38, L"5"}, {42, L"4,5"}}));
}

TEST_F(DrumInventory, FirstTrackWithAChannelEventIsTrackOne) {
    const struct {
        const char* name;
        Bytes first;
    } firsts[] = {
        {"ProgramChange", mtrk({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xC0, 0x01})},
        {"DrumNote", drumHit(49)},
    };
    for (const auto& c : firsts) {
        // With a channel event in the first track, the 4th and 5th chunks are tracks 4 and 5.
        ASSERT_TRUE(load(mthd(5) + c.first + kNoDrums + kNoDrums + drumHit(36) + drumHit(38))) << c.name;
        EXPECT_EQ(assignmentMap[36], TR4) << c.name;
        EXPECT_EQ(assignmentMap[38], TR5) << c.name;
        EXPECT_EQ(trackLabelMap[38], L"5") << c.name;
    }
    EXPECT_EQ(trackLabelMap[49], L"1");
}

TEST_F(DrumInventory, EmptyFirstTrackIsAConductorTrack) {
    ASSERT_TRUE(load(mthd(3) + mtrk({}) + drumHit(36) + drumHit(38)));
    EXPECT_EQ(trackLabelMap, (TrackLabelMap{{36, L"1"}, {38, L"2"}}));
}

TEST_F(DrumInventory, SingleTrackSongIsTrackOneAndProposesTr4) {
    ASSERT_TRUE(load(mthd(1, 480, 0) + mtrk({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0x90, 0x3C, 0x64,
                                             0x00, 0x99, 42, 0x64, 0x00, 0x99, 36, 0x64, 0x00, 0x99, 38, 0x64})));
    EXPECT_EQ(drumNoteList, (DrumNoteList{36, 38, 42}));
    for (const int note : {36, 38, 42}) {
        EXPECT_EQ(assignmentMap[note], TR4);
        EXPECT_EQ(trackLabelMap[note], L"1");
    }
}

TEST_F(DrumInventory, LabelsAreInNumericOrderAndProposalsFollowTracksFourAndFive) {
    // Without a conductor track chunk k is track k. Note 36 in tracks 10, 2, 4;
    // note 38 in 7 and 5; note 40 in 7 and 1.
    std::vector<Bytes> chunks(10, kNoDrums);
    chunks[9] = drumHit(36);
    chunks[1] = drumHit(36);
    chunks[3] = drumHit(36);
    chunks[6] = mtrk({0x00, 0x99, 38, 0x64, 0x00, 0x99, 40, 0x64});
    chunks[4] = drumHit(38);
    chunks[0] = mtrk({0x00, 0x99, 40, 0x64});
    Bytes file = mthd(10);
    for (const Bytes& c : chunks) {
        file = file + c;
    }
    ASSERT_TRUE(load(file));
    EXPECT_EQ(trackLabelMap[36], L"2,4,10");
    EXPECT_EQ(assignmentMap[36], TR4);
    EXPECT_EQ(trackLabelMap[38], L"5,7");
    EXPECT_EQ(assignmentMap[38], TR5);
    EXPECT_EQ(trackLabelMap[40], L"1,7");
    EXPECT_EQ(assignmentMap[40], TR4);
}

TEST_F(DrumInventory, WhichEventsCountAsDrumNotes) {
    ASSERT_TRUE(load(mthd(1) + mtrk({
                                   0x00, 0x89, 50, 0x40,  // note-off only
                                   0x00, 0x99, 51, 0x00,  // velocity-0 note-on only
                                   0x00, 0xA9, 52, 0x40,  // polyphonic pressure: not a note
                                   0x00, 0xB9, 53, 0x40,  // controller
                                   0x00, 0x98, 54, 0x40,  // channel 9
                                   0x00, 0x99, 0xC8, 0x40,  // a data byte of 0x80 or more
                               })));
    EXPECT_EQ(drumNoteList, (DrumNoteList{50, 51, 200}));

    // The notes the reader gathered give what a walk of the tracks gives.
    const DrumNoteList read = drumNoteList;
    songData.drumNotesRead.clear();
    rebuildDrumInventory();
    EXPECT_EQ(drumNoteList, read);
    EXPECT_EQ(songData.drumEvents, 5u);  // all but the one on channel 9
}

TEST_F(DrumInventory, ListBoxIsRefilledInNoteOrder) {
    ASSERT_TRUE(load(mthd(1) + mtrk({0x00, 0x99, 42, 0x64, 0x00, 0x99, 36, 0x64, 0x00, 0x99, 38, 0x64})));
    EXPECT_EQ(headlessWindow.drumListResets, 1);
    EXPECT_EQ(headlessWindow.drumListItems, (std::vector<std::wstring>{L"36", L"38", L"42"}));
}

TEST_F(DrumInventory, SongWithoutDrumsGivesAnEmptyList) {
    ASSERT_TRUE(load(mthd(1) + drumHit(36)));
    ASSERT_TRUE(load(mthd(1) + kNoDrums));
    EXPECT_TRUE(drumNoteList.empty());
    EXPECT_TRUE(assignmentMap.empty());
    EXPECT_TRUE(trackLabelMap.empty());
    EXPECT_TRUE(headlessWindow.drumListItems.empty());
}

TEST_F(DrumInventory, NewLoadDiscardsTheUsersChoices) {
    ASSERT_TRUE(load(mthd(1) + drumHit(36)));
    assignmentMap[36] = BOTH;
    ASSERT_TRUE(load(mthd(1) + drumHit(36)));
    EXPECT_EQ(assignmentMap[36], TR4);
}

TEST_F(DrumInventory, FailedLoadLeavesThePreviousInventory) {
    ASSERT_TRUE(load(mthd(1) + drumHit(36)));
    assignmentMap[36] = TR5;
    EXPECT_FALSE(load(mthd(2) + drumHit(38)));  // second chunk missing
    EXPECT_EQ(drumNoteList, DrumNoteList{36});
    EXPECT_EQ(assignmentMap, (AssignmentMap{{36, TR5}}));
    EXPECT_EQ(headlessWindow.drumListItems, std::vector<std::wstring>{L"36"});
    EXPECT_EQ(headlessWindow.drumListResets, 1);
}

}  // namespace
