#include "cli/listing.h"

#include <gtest/gtest.h>

#include "cli/run.h"
#include "cli/text_encoding.h"
#include "cli_songs.h"
#include "json_reader.h"
#include "support/temp_dir.h"

namespace {

class ListingTest : public testing::Test {
protected:
    void SetUp() override {
        writeFileBytes(dir.path / "song.mid", knownSong());
        ASSERT_TRUE(loadSong(dir.file(L"song.mid")));
    }

    TempDir dir;
};

TEST_F(ListingTest, RowsAreTheDrumListWithItsProposals) {
    const std::vector<DrumRow> rows = drumRows();
    ASSERT_EQ(rows.size(), 5u);
    const DrumRow expected[] = {
        {36, L"1,4", TR4}, {38, L"2", TR4}, {42, L"4,5", BOTH}, {46, L"5", TR5}, {200, L"2", TR4},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].note, expected[i].note);
        EXPECT_EQ(rows[i].tracks, expected[i].tracks);
        EXPECT_EQ(rows[i].target, expected[i].target);
    }
}

TEST_F(ListingTest, LinesShowTheRowsInColumnsThatLineUp) {
    const std::vector<std::string> expected = {
        "  1,4  TR4    36 : Bass Drum 1",
        "  2    TR4    38 : Acoustic Snare",
        "  4,5  BOTH   42 : Closed Hi-Hat",
        "  5    TR5    46 : Open Hi-Hat",
        "  2    TR4   200 :",  // no General MIDI name, and no blank after the colon
    };
    EXPECT_EQ(listingLines(drumRows()), expected);
}

TEST_F(ListingTest, OverridesChangeOnlyNotesTheSongUses) {
    applyOverrides({{36, TR5}, {46, BOTH}, {99, TR5}});
    EXPECT_EQ(assignmentMap.at(36), TR5);
    EXPECT_EQ(assignmentMap.at(46), BOTH);
    EXPECT_EQ(assignmentMap.at(42), BOTH);
    EXPECT_EQ(assignmentMap.count(99), 0u);
}

TEST_F(ListingTest, JsonEntriesReadBackWithTheirPathsIntact) {
    const std::wstring awkwardPath = L"dir \"a\"\\b\t\u65E5\u672C.mid";
    const std::string document = "{\"files\": [" + jsonFileEntry(awkwardPath, true, drumRows(), {}, "  ") + ", " +
                                 jsonFileEntry(L"gone.mid", false, {}, {}, "  ") + "]}";
    const std::optional<JsonValue> parsed = JsonReader::parse(document);
    ASSERT_TRUE(parsed) << document;
    const JsonValue& files = (*parsed)["files"];
    ASSERT_EQ(files.size(), 2u);

    const JsonValue& song = files[0];
    EXPECT_EQ(song["path"].str(), toUtf8(awkwardPath));
    EXPECT_TRUE(song["loaded"].boolean());
    const JsonValue& notes = song["notes"];
    ASSERT_EQ(notes.size(), 5u);
    EXPECT_EQ(notes[0]["note"].num(), 36);
    ASSERT_EQ(notes[0]["tracks"].size(), 2u);
    EXPECT_EQ(notes[0]["tracks"][0].num(), 1);
    EXPECT_EQ(notes[0]["tracks"][1].num(), 4);
    EXPECT_EQ(notes[0]["target"].str(), "TR4");
    EXPECT_EQ(notes[0]["name"].str(), "Bass Drum 1");
    EXPECT_EQ(notes[2]["target"].str(), "BOTH");
    EXPECT_EQ(notes[3]["target"].str(), "TR5");
    EXPECT_EQ(notes[4]["note"].num(), 200);
    EXPECT_EQ(notes[4]["name"].str(), "");

    EXPECT_FALSE(files[1]["loaded"].boolean());
    EXPECT_FALSE(files[1].has("notes"));
}

TEST(Listing, ASongWithoutDrumsHasNoRowsAndAnEmptyNoteArray) {
    TempDir dir;
    writeFileBytes(dir.path / "quiet.mid", mthd(1) + mtrk(hits(0, {60}) + kEndOfTrack));
    ASSERT_TRUE(loadSong(dir.file(L"quiet.mid")));
    EXPECT_TRUE(listingLines(drumRows()).empty());
    const std::optional<JsonValue> parsed = JsonReader::parse(jsonFileEntry(L"quiet.mid", true, drumRows(), {}, ""));
    ASSERT_TRUE(parsed);
    EXPECT_EQ((*parsed)["notes"].size(), 0u);
}

}  // namespace
