// Runs the built tool as a user would, and reads what it wrote back with the
// project's reader.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cli_songs.h"
#include "json_reader.h"
#include "song/smf_reader.h"
#include "song/utf8.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

namespace {

class BinaryTest : public testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "the shell commands here are POSIX";
#endif
        writeFileBytes(dir.path / "song.mid", knownSong());
    }

    static std::string quoted(const std::string& text) {
        std::string out = "'";
        for (const char c : text) {
            out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        return out + "'";
    }

    // Runs the tool with `arguments` (already quoted) in the English locale
    // unless `environment` says otherwise; returns its exit status.
    int tessaline(const std::string& arguments, const std::string& environment = "LC_ALL=C LANG=C") {
        const std::string command = environment + " " + quoted(TESSALINE_CLI_PATH) + " " + arguments + " >" +
                                    quoted((dir.path / "stdout").string()) + " 2>" +
                                    quoted((dir.path / "stderr").string());
        const int status = std::system(command.c_str());
#ifdef _WIN32
        return status;
#else
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    }

    std::string file(const std::string& name) const { return quoted((dir.path / name).string()); }
    std::string output(const char* stream) const {
        std::ifstream in(dir.path / stream);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The tracks of a file the tool wrote, through the same reader as any input.
    std::vector<Track> readBack(const std::string& name) const {
        EXPECT_TRUE(loadSong(fromFileNameBytes((dir.path / name).string()))) << name;
        return songData.tracks;
    }

    TempDir dir;
};

TEST_F(BinaryTest, SplitInsertPutsTheDrumsAfterTrack3AsOverridden) {
    ASSERT_EQ(tessaline("split-insert --both 36 --tr5=38 " + file("song.mid")), 0) << output("stderr");
    EXPECT_EQ(output("stdout"), "Saved: split insert (_S.mid)\t" + (dir.path / "song_S.mid").string() + "\n");

    const std::vector<Track> tracks = readBack("song_S.mid");
    ASSERT_EQ(tracks.size(), 8u);  // conductor, tracks 1 to 3, TR4, TR5, tracks 4 and 5 without drums
    EXPECT_EQ(noteOns(tracks[4], 9), (std::multiset<int>{36, 36, 42, 42, 200}));
    EXPECT_EQ(noteOns(tracks[5], 9), (std::multiset<int>{36, 36, 38, 42, 42, 46}));
    EXPECT_EQ(noteOns(tracks[1], 0), (std::multiset<int>{60}));
    for (const std::size_t other : {1u, 2u, 3u, 6u, 7u}) {
        EXPECT_TRUE(noteOns(tracks[other], 9).empty()) << other;
    }
}

TEST_F(BinaryTest, SplitOverwriteReplacesTracks4And5WithTheProposals) {
    ASSERT_EQ(tessaline("split-overwrite " + file("song.mid")), 0) << output("stderr");
    const std::vector<Track> tracks = readBack("song_OW.mid");
    ASSERT_EQ(tracks.size(), 6u);
    EXPECT_EQ(noteOns(tracks[4], 9), (std::multiset<int>{36, 36, 38, 42, 42, 200}));
    EXPECT_EQ(noteOns(tracks[5], 9), (std::multiset<int>{42, 42, 46}));
    EXPECT_EQ(noteOns(tracks[3], 1), (std::multiset<int>{48}));
}

TEST_F(BinaryTest, SplitOverwriteInPlaceWritesOverTheInputOnly) {
    ASSERT_EQ(tessaline("split-overwrite --in-place --tr5 46 " + file("song.mid")), 0) << output("stderr");
    EXPECT_EQ(output("stdout"),
              "Saved: Direct Overwrite to Input File\t" + (dir.path / "song.mid").string() + "\n");
    EXPECT_FALSE(fs::exists(dir.path / "song_OW.mid"));
    const std::vector<Track> tracks = readBack("song.mid");
    ASSERT_EQ(tracks.size(), 6u);
    EXPECT_EQ(noteOns(tracks[5], 9), (std::multiset<int>{42, 42, 46}));
}

TEST_F(BinaryTest, Format1SplitsAFormat0SongByChannel) {
    writeFileBytes(dir.path / "zero.mid", formatZeroSong());
    ASSERT_EQ(tessaline("format1 " + file("zero.mid")), 0) << output("stderr");
    const std::vector<Track> tracks = readBack("zero_F1.mid");
    ASSERT_EQ(tracks.size(), 3u);  // meta events, channel 1, channel 10
    EXPECT_EQ(tracks[0].size(), 2u);  // the tempo and the End-of-Track
    EXPECT_EQ(noteOns(tracks[1], 0), (std::multiset<int>{60}));
    EXPECT_EQ(noteOns(tracks[2], 9), (std::multiset<int>{36, 38}));
}

TEST_F(BinaryTest, ExitStatusSaysWhatHappened) {
    EXPECT_EQ(tessaline("list " + file("song.mid")), 0);
    EXPECT_EQ(tessaline("list " + file("song.mid") + " " + file("none.mid")), 1);
    EXPECT_EQ(tessaline("list --tr4 256 " + file("song.mid")), 2);
    EXPECT_EQ(tessaline("list " + quoted("\xFF.mid")), 1);  // a name need not be UTF-8; this one is missing
    EXPECT_EQ(tessaline(""), 2);
    EXPECT_EQ(tessaline("--help"), 0);
}

TEST_F(BinaryTest, NonAsciiPathsComeOutAsUtf8InJson) {
    const std::string name = "\xE3\x83\x89\xE3\x83\xA9\xE3\x83\xA0 \"1\"\\.mid";  // ドラム "1"\.mid, not there
    EXPECT_EQ(tessaline("list --json " + file(name) + " " + file("song.mid")), 1);
    const std::optional<JsonValue> document = JsonReader::parse(output("stdout"));
    ASSERT_TRUE(document) << output("stdout");
    EXPECT_EQ((*document)["files"][0]["path"].str(), (dir.path / name).string());
    EXPECT_FALSE((*document)["files"][0]["loaded"].boolean());
    EXPECT_TRUE((*document)["files"][1]["loaded"].boolean());
}

TEST_F(BinaryTest, JapaneseLocaleGivesTheJapaneseTexts) {
    EXPECT_EQ(tessaline("format1 " + file("song.mid") + " " + file("none.mid"), "LC_ALL= LANG=ja_JP.UTF-8"), 1);
    // "保存完了: format1変換のみ (_F1.mid)" and "MIDIの読み込みに失敗しました。"
    EXPECT_EQ(output("stdout"), "\xE4\xBF\x9D\xE5\xAD\x98\xE5\xAE\x8C\xE4\xBA\x86: format1\xE5\xA4\x89\xE6\x8F\x9B"
                                "\xE3\x81\xAE\xE3\x81\xBF (_F1.mid)\t" + (dir.path / "song_F1.mid").string() + "\n");
    EXPECT_EQ(output("stderr"), "MIDI\xE3\x81\xAE\xE8\xAA\xAD\xE3\x81\xBF\xE8\xBE\xBC\xE3\x81\xBF\xE3\x81\xAB"
                                "\xE5\xA4\xB1\xE6\x95\x97\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F"
                                "\xE3\x80\x82\t" + (dir.path / "none.mid").string() + "\n");
}

// Names from old archives, in Latin-1 and Shift_JIS: loaded and saved by their
// bytes, shown with the bytes that are not UTF-8 escaped.
TEST_F(BinaryTest, NamesThatAreNotUtf8AreLoadedSavedAndShownEscaped) {
    const struct {
        const char* name;   // the bytes on disk, without ".mid"
        const char* shown;  // in the text output
        const char* json;   // in the JSON output, as read back
    } cases[] = {
        {"caf\xE9", "caf\\xe9", "caf\xED\xB3\xA9"},  // é in Latin-1; U+DCE9 read back as UTF-8 by our reader
        {"\x83\x68\x83\x89\x83\x80", "\\x83h\\x83\\x89\\x83\\x80", nullptr},  // ドラム in Shift_JIS
    };
    for (const auto& c : cases) {
        writeFileBytes(dir.path / (std::string(c.name) + ".mid"), knownSong());
        ASSERT_EQ(tessaline("split-insert " + file(std::string(c.name) + ".mid")), 0) << output("stderr");
        EXPECT_EQ(output("stdout"),
                  "Saved: split insert (_S.mid)\t" + dir.path.string() + "/" + c.shown + "_S.mid\n");
        EXPECT_EQ(readBack(std::string(c.name) + "_S.mid").size(), 8u);
    }
    ASSERT_EQ(tessaline("list --json " + file("caf\xE9.mid")), 0);
    EXPECT_NE(output("stdout").find("caf\\udce9.mid"), std::string::npos) << output("stdout");
}

// The tool's own output: a full disk is an error, said on stderr; a reader
// that went away ends the tool quietly (here with SIGPIPE ignored, as some
// callers leave it).
TEST_F(BinaryTest, ErrorsWritingTheOutputAreReportedButAClosedPipeIsNot) {
    // Runs the tool's list in the shell with `redirect`; the tool's exit status goes to the file "status".
    auto list = [&](const std::string& locale, const std::string& redirect) {
        const std::string command = "trap '' PIPE; { sleep 0.3; LC_ALL=" + locale + " " + quoted(TESSALINE_CLI_PATH) +
                                    " list " + file("song.mid") + " 2>" + file("stderr") + "; echo $? >" + file("status") +
                                    "; } " + redirect;
        std::system(("sh -c " + quoted(command)).c_str());
        return output("status");
    };
    EXPECT_EQ(list("C", ">/dev/full"), "1\n");
    EXPECT_EQ(output("stderr"), "tessaline: write error: No space left on device\n");
    EXPECT_EQ(list("ja_JP.UTF-8", ">/dev/full"), "1\n");
    EXPECT_EQ(output("stderr").rfind("tessaline: \xE6\x9B\xB8\xE3\x81\x8D\xE8\xBE\xBC\xE3\x81\xBF", 0), 0u);  // 書き込み
    EXPECT_EQ(list("C", "| true"), "1\n");  // the reader is gone by the time the tool writes
    EXPECT_EQ(output("stderr"), "");
}

}  // namespace
