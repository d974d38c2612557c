#include "cli/run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/text_encoding.h"
#include "cli_songs.h"
#include "json_reader.h"
#include "support/temp_dir.h"
#include "ui/texts.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

class RunTest : public testing::Test {
protected:
    void SetUp() override {
        writeFileBytes(dir.path / "one.mid", knownSong());
        writeFileBytes(dir.path / "two.mid", formatZeroSong());
        writeFileBytes(dir.path / "junk.mid", {'R', 'I', 'F', 'F', 0, 0});
    }
    void TearDown() override { selectLanguageFromLocale(nullptr, nullptr); }

    // Built by hand: the standard library may not turn a non-ASCII wide name into a path.
    std::wstring path(const char* name) const { return dir.path.wstring() + L"/" + fromUtf8(name).value(); }
    std::string shown(const char* name) const { return toUtf8(path(name)); }

    RunResult run(std::vector<std::wstring> arguments) {
        std::ostringstream out, err;
        const int status = runTessaline(arguments, out, err);
        return {status, out.str(), err.str()};
    }

    TempDir dir;
};

TEST_F(RunTest, EachSaveGoesOnPastFilesThatFailAndExitsWithOne) {
    struct Case {
        const wchar_t* command;
        const char* suffix;
        const char* savedText;
    };
    const Case cases[] = {
        {L"split-insert", "_S.mid", "Saved: split insert (_S.mid)"},
        {L"split-overwrite", "_OW.mid", "Saved: split overwrite (_OW.mid)"},
        {L"format1", "_F1.mid", "Saved: format1 only (_F1.mid)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(toUtf8(c.command));
        const RunResult result = run({c.command, path("one.mid"), path("missing.mid"), path("junk.mid"), path("two.mid")});
        EXPECT_EQ(result.status, kExitSomeFileFailed);
        EXPECT_EQ(result.out, std::string(c.savedText) + "\t" + shown("one") + c.suffix + "\n" + c.savedText + "\t" +
                                  shown("two") + c.suffix + "\n");
        EXPECT_EQ(result.err, "Failed to load MIDI.\t" + shown("missing.mid") + "\nFailed to load MIDI.\t" +
                                  shown("junk.mid") + "\n");
        EXPECT_FALSE(fs::exists(dir.path / (std::string("junk") + c.suffix)));

        EXPECT_EQ(run({c.command, path("one.mid"), path("two.mid")}).status, kExitAllDone);
    }
}

TEST_F(RunTest, ListShowsNothingOfThePreviousSongForAFileThatFails) {
    const RunResult result = run({L"list", path("one.mid"), path("junk.mid")});
    EXPECT_EQ(result.status, kExitSomeFileFailed);
    EXPECT_EQ(count(result.out, "Bass Drum 1"), 1u);
    EXPECT_EQ(result.out.find(shown("junk.mid")), std::string::npos);
    EXPECT_NE(result.err.find(shown("junk.mid")), std::string::npos);
}

TEST_F(RunTest, ListSaysSoWhenASongHasNoDrumNotes) {
    writeFileBytes(dir.path / "quiet.mid", mthd(1) + mtrk(hits(0, {60}) + kEndOfTrack));
    const RunResult result = run({L"list", path("quiet.mid")});
    EXPECT_EQ(result.status, kExitAllDone);
    EXPECT_EQ(result.out, shown("quiet.mid") + "\n  (no drum notes)\n");
}

TEST_F(RunTest, ListJsonIsOneDocumentWithOverridesApplied) {
    const RunResult result = run({L"list", L"--json", L"--tr5", L"36,99", path("one.mid"), path("junk.mid"), path("two.mid")});
    EXPECT_EQ(result.status, kExitSomeFileFailed);
    const std::optional<JsonValue> document = JsonReader::parse(result.out);
    ASSERT_TRUE(document) << result.out;
    const JsonValue& files = (*document)["files"];
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0]["path"].str(), shown("one.mid"));
    EXPECT_EQ(files[0]["notes"][0]["target"].str(), "TR5");
    EXPECT_EQ(files[0]["notes"].size(), 5u);  // note 99 is not in the song and is not added
    EXPECT_FALSE(files[1]["loaded"].boolean());
    EXPECT_EQ(files[2]["notes"].size(), 2u);
    EXPECT_EQ(files[2]["notes"][0]["target"].str(), "TR5");
    EXPECT_EQ(files[2]["notes"][1]["target"].str(), "TR4");
}

TEST_F(RunTest, ANonAsciiPathThatCannotBeOpenedIsAFailedLoad) {
    const RunResult result = run({L"format1", path("\xE6\x97\xA5\xE6\x9C\xAC.mid"), path("two.mid")});
    EXPECT_EQ(result.status, kExitSomeFileFailed);
    EXPECT_EQ(result.err, "Failed to load MIDI.\t" + shown("\xE6\x97\xA5\xE6\x9C\xAC.mid") + "\n");
    EXPECT_TRUE(fs::exists(dir.path / "two_F1.mid"));
}

// A name cannot forge a line: its tab and line feed are shown escaped.
TEST_F(RunTest, ANameWithATabAndALineFeedPrintsOneEscapedLine) {
    writeFileBytes(dir.path / "a\tSaved: x\nb.mid", knownSong());
    const RunResult result = run({L"format1", path("a\tSaved: x\nb.mid")});
    EXPECT_EQ(result.status, kExitAllDone);
    EXPECT_EQ(result.out, "Saved: format1 only (_F1.mid)\t" + toUtf8(dir.path.wstring()) + "/a\\tSaved: x\\nb_F1.mid\n");
    EXPECT_TRUE(fs::exists(dir.path / "a\tSaved: x\nb_F1.mid"));
}

TEST_F(RunTest, UsageErrorExitsWithTwoAndTouchesNoFile) {
    const RunResult result = run({L"split-insert", L"--tr4", L"36,x", path("one.mid")});
    EXPECT_EQ(result.status, kExitUsage);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("'--tr4 36,x'"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.path / "one_S.mid"));
}

TEST_F(RunTest, AFailedWriteIsReportedAndTheNextFileIsSaved) {
    fs::create_directory(dir.path / "one_F1.mid");  // in the way of the output
    const RunResult result = run({L"format1", path("one.mid"), path("two.mid")});
    EXPECT_EQ(result.status, kExitSomeFileFailed);
    EXPECT_EQ(result.err, "Could not write\t" + shown("one_F1.mid") + "\n");
    EXPECT_EQ(result.out, "Saved: format1 only (_F1.mid)\t" + shown("two_F1.mid") + "\n");
}

// A side copy beside a song means a save of it was cut short: the load and a
// save that it stops point it out, with how to recover, and the copy stays.
TEST_F(RunTest, ASideCopyLeftByAnInterruptedSaveIsPointedOutAndKept) {
    writeFileBytes(dir.path / "one.mid.tessaline-old", knownSong());
    writeFileBytes(dir.path / "two_S.mid", {'o', 'l', 'd'});
    writeFileBytes(dir.path / "two_S.mid.tessaline-old", {'o', 'l', 'd'});
    const std::string notice = "a save of this file was cut short; the file as it was before is kept in ";
    const RunResult result = run({L"split-insert", path("one.mid"), path("two.mid")});
    EXPECT_EQ(result.status, kExitSomeFileFailed);
    EXPECT_EQ(result.out, "Saved: split insert (_S.mid)\t" + shown("one_S.mid") + "\n");
    EXPECT_EQ(count(result.err, notice), 2u) << result.err;
    EXPECT_NE(result.err.find(shown("one.mid") + ": " + notice + shown("one.mid.tessaline-old")), std::string::npos);
    EXPECT_NE(result.err.find("Could not write\t" + shown("two_S.mid") + "\ntessaline: " + shown("two_S.mid") + ": " +
                              notice + shown("two_S.mid.tessaline-old")),
              std::string::npos)
        << result.err;
    EXPECT_EQ(readFileBytes(dir.path / "two_S.mid"), (Bytes{'o', 'l', 'd'}));
    EXPECT_TRUE(fs::exists(dir.path / "one.mid.tessaline-old"));
}

TEST_F(RunTest, TextsFollowTheLocaleLikeTheWindowFollowsTheInterfaceLanguage) {
    struct Case {
        const char* lcAll;
        const char* lang;
        bool japanese;
    };
    const Case cases[] = {
        {nullptr, "ja_JP.UTF-8", true}, {"", "ja", true},          {"ja_JP.UTF-8", "C", true},
        {"C", "ja_JP.UTF-8", false},    {nullptr, nullptr, false}, {nullptr, "en_US.UTF-8", false},
    };
    for (const Case& c : cases) {
        selectLanguageFromLocale(c.lcAll, c.lang);
        const RunResult result = run({L"format1", path("two.mid"), path("junk.mid")});
        const std::string saved = toUtf8(c.japanese ? japaneseTexts[kTextSavedFormat1] : englishTexts[kTextSavedFormat1]);
        const std::string failed = toUtf8(c.japanese ? japaneseTexts[kTextLoadFailed] : englishTexts[kTextLoadFailed]);
        EXPECT_EQ(result.out, saved + "\t" + shown("two_F1.mid") + "\n");
        EXPECT_EQ(result.err, failed + "\t" + shown("junk.mid") + "\n");
    }
}

TEST_F(RunTest, HelpAndVersionExitWithZero) {
    const RunResult help = run({L"--help"});
    EXPECT_EQ(help.status, kExitAllDone);
    EXPECT_NE(help.out.find("split-overwrite"), std::string::npos);
    const RunResult version = run({L"--version"});
    EXPECT_EQ(version.status, kExitAllDone);
    EXPECT_EQ(version.out.rfind("tessaline ", 0), 0u);
}

}  // namespace
