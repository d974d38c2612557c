#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "cli/arguments.h"
#include "cli/run.h"
#include "cli/text_encoding.h"
#include "cli_songs.h"
#include "json_reader.h"
#include "support/temp_dir.h"

namespace {

// Drum hits at once: 36 with 38 on three ticks, 36 with 42 on two, 38 with 42
// on one; all in track 1, so all proposed for TR4.
Bytes clashingSong() {
    Bytes body;
    auto together = [&body](std::initializer_list<std::uint8_t> notes) {
        bool first = true;
        for (const std::uint8_t note : notes) {
            body = body + Bytes{std::uint8_t(first ? 0x60 : 0x00), 0x99, note, 100};
            first = false;
        }
    };
    for (int i = 0; i < 3; ++i) {
        together({36, 38});
    }
    together({36, 42});
    together({36, 42});
    together({38, 42});
    return mthd(1) + mtrk(body + kEndOfTrack);
}

class ClashCommands : public testing::Test {
protected:
    void SetUp() override { writeFileBytes(dir.path / "song.mid", clashingSong()); }
    void TearDown() override { selectLanguageFromLocale(nullptr, nullptr); }

    std::string run(std::vector<std::wstring> arguments, int expectedStatus = kExitAllDone) {
        std::ostringstream out, err;
        EXPECT_EQ(runTessaline(arguments, out, err), expectedStatus) << err.str();
        return out.str();
    }

    // Clashing ticks of TR4 and TR5 as `list --json` reports them.
    std::pair<double, double> listedClashes(std::vector<std::wstring> options) {
        std::vector<std::wstring> arguments = {L"list", L"--json", song};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const std::optional<JsonValue> document = JsonReader::parse(run(arguments));
        EXPECT_TRUE(document);
        if (!document) {
            return {-1, -1};
        }
        const JsonValue& clashes = (*document)["files"][0]["clashes"];
        return {clashes["TR4"]["ticks"].num(), clashes["TR5"]["ticks"].num()};
    }

    TempDir dir;
    const std::wstring song = (dir.path / "song.mid").wstring();
};

TEST_F(ClashCommands, ListShowsEachDrumTracksClashes) {
    const std::string out = run({L"list", song});
    EXPECT_NE(out.find("  TR4: 6 clashing ticks, at most 2 notes at once\n"), std::string::npos) << out;
    EXPECT_NE(out.find("  TR5: 0 clashing ticks\n"), std::string::npos) << out;
    EXPECT_EQ(listedClashes({}), std::make_pair(6.0, 0.0));
    EXPECT_EQ(listedClashes({L"--tr5", L"38"}), std::make_pair(2.0, 0.0));
}

// What suggest prints, pasted back as options, gives what it promised.
TEST_F(ClashCommands, SuggestedOptionsReproduceTheSuggestedClashes) {
    const std::string out = run({L"suggest", song});
    const std::size_t optionsAt = out.rfind("  --");
    ASSERT_NE(optionsAt, std::string::npos) << out;
    std::istringstream words(out.substr(optionsAt));
    std::vector<std::wstring> options;
    for (std::string word; words >> word;) {
        options.push_back(fromUtf8(word).value());
    }
    EXPECT_NE(out.find("suggested:"), std::string::npos) << out;

    const auto pasted = listedClashes(options);
    EXPECT_EQ(pasted, listedClashes({L"--auto"}));
    EXPECT_EQ(pasted.first + pasted.second, 1.0);  // 38 and 42 share a tick with 36, and once with each other
}

TEST_F(ClashCommands, AutoKeepsTheOverridesFixed) {
    // 36 and 38 forced into TR5 together: the best left is 42 in TR4.
    const std::string out = run({L"suggest", L"--tr5", L"36,38", song});
    EXPECT_NE(out.find("--tr4 42 --tr5 36,38\n"), std::string::npos) << out;
    EXPECT_EQ(listedClashes({L"--auto", L"--tr5", L"36,38"}), std::make_pair(0.0, 3.0));
}

TEST_F(ClashCommands, BestProposalsAreSaidToBeBest) {
    const std::string out = run({L"suggest", L"--tr4", L"36", L"--tr5", L"38,42", song});
    EXPECT_NE(out.find("already best"), std::string::npos) << out;
}

TEST_F(ClashCommands, AutoAppliesToTheSplitSaves) {
    run({L"split-insert", L"--auto", song});
    ASSERT_TRUE(loadSong((dir.path / "song_S.mid").wstring()));
    // The meta track, the emptied drum track, two empty tracks, then TR4 and TR5.
    const std::multiset<int> tr4 = noteOns(songData.tracks.at(4), 9);
    const std::multiset<int> tr5 = noteOns(songData.tracks.at(5), 9);
    EXPECT_EQ(tr4.count(36) + tr5.count(36), 5u);
    EXPECT_TRUE(tr4.count(36) == 0 || tr5.count(36) == 0);
    EXPECT_EQ((tr4.count(36) != 0 ? tr4 : tr5).count(38), 0u);  // 38 goes to the other track
}

TEST_F(ClashCommands, EveryHitRoutedPartsTheTriangleAndTheSaveHoldsEachHitOnce) {
    // Whole notes leave one clash; hits routed one by one, none.
    EXPECT_EQ(listedClashes({L"--per-hit-all"}), std::make_pair(0.0, 0.0));
    const std::string out = run({L"list", L"--per-hit", L"42", L"--where", song});
    EXPECT_NE(out.find("  AUTO   42 : Closed Hi-Hat  TR4 0 / TR5 3\n"), std::string::npos) << out;
    // 36 and 38 stay in TR4: every tick they share clashes, at 1:1:096 the first.
    EXPECT_NE(out.find("    1:1:096  TR4  36,38\n"), std::string::npos) << out;

    run({L"split-insert", L"--per-hit-all", song});
    ASSERT_TRUE(loadSong((dir.path / "song_S.mid").wstring()));
    const std::multiset<int> tr4 = noteOns(songData.tracks.at(4), 9);
    const std::multiset<int> tr5 = noteOns(songData.tracks.at(5), 9);
    EXPECT_EQ(tr4.count(36) + tr5.count(36), 5u);
    EXPECT_EQ(tr4.count(38) + tr5.count(38), 4u);
    EXPECT_EQ(tr4.count(42) + tr5.count(42), 3u);
    // No two different notes start together in either drum track.
    for (const std::size_t drumTrack : {4u, 5u}) {
        std::map<std::uint32_t, std::set<int>> notesAt;
        for (const MidiEvent& e : songData.tracks.at(drumTrack)) {
            if (isDrumHit(e)) {
                notesAt[e.tick].insert(e.data[0]);
            }
        }
        for (const auto& [tick, notes] : notesAt) {
            EXPECT_EQ(notes.size(), 1u) << "track " << drumTrack << " tick " << tick;
        }
    }
}

TEST_F(ClashCommands, SuggestSaysWhenItsChoiceIsTheBestFoundRatherThanProvenFewest) {
    // Every pair of 24 notes struck together once: more than the search can go through.
    Bytes body;
    for (std::uint8_t a = 0; a < 24; ++a) {
        for (std::uint8_t b = a + 1; b < 24; ++b) {
            body = body + Bytes{0x60, 0x99, std::uint8_t(35 + a), 100, 0x00, 0x99, std::uint8_t(35 + b), 100};
        }
    }
    writeFileBytes(dir.path / "pairs.mid", mthd(1) + mtrk(body + kEndOfTrack));
    const std::wstring pairs = (dir.path / "pairs.mid").wstring();
    const std::string out = run({L"suggest", pairs});
    EXPECT_NE(out.find("  TR4: 276 clashing ticks"), std::string::npos) << out;
    EXPECT_NE(out.find("(the best found: the search ran out of its budget)"), std::string::npos) << out;
    // Twelve notes a side, the fewest there are: 2 x 66 pairs.
    EXPECT_NE(out.find("suggested:\n    TR4: 66 clashing ticks"), std::string::npos) << out;

    EXPECT_EQ(run({L"suggest", song}).find("best found"), std::string::npos);
}

TEST_F(ClashCommands, ToolsOwnTextsFollowAJapaneseLocale) {
    selectLanguageFromLocale("ja_JP.UTF-8", nullptr);
    EXPECT_EQ(run({L"--help"}).rfind("使い方:\n", 0), 0u);
    const std::string listed = run({L"list", song});
    EXPECT_NE(listed.find("  TR4: 重なり 6 (同時に最大 2 音)\n"), std::string::npos) << listed;
    const std::string suggested = run({L"suggest", song});
    EXPECT_NE(suggested.find("  提案:\n"), std::string::npos) << suggested;
    EXPECT_NE(suggested.find("  重なり最少:\n"), std::string::npos) << suggested;

    std::ostringstream out, err;
    EXPECT_EQ(runTessaline({L"list"}, out, err), kExitUsage);
    EXPECT_EQ(err.str(), "tessaline: list: ファイルがありません\n使い方は 'tessaline --help' で表示されます。\n");
    std::filesystem::create_directory(dir.path / "song_F1.mid");
    std::ostringstream saved, failed;
    EXPECT_EQ(runTessaline({L"format1", song}, saved, failed), kExitSomeFileFailed);
    EXPECT_EQ(failed.str(), "保存失敗\t" + toUtf8((dir.path / "song_F1.mid").wstring()) + "\n");
}

TEST(ClashArguments, AutoAndSuggest) {
    const auto list = parseArguments({L"list", L"--auto", L"a.mid"});
    ASSERT_TRUE(std::holds_alternative<Invocation>(list));
    EXPECT_TRUE(std::get<Invocation>(list).autoDestinations);
    const auto suggest = parseArguments({L"suggest", L"--both", L"49", L"a.mid"});
    ASSERT_TRUE(std::holds_alternative<Invocation>(suggest));
    EXPECT_EQ(std::get<Invocation>(suggest).command, Command::Suggest);
    EXPECT_TRUE(std::get<Invocation>(suggest).autoDestinations);
    EXPECT_TRUE(std::holds_alternative<UsageError>(parseArguments({L"format1", L"--auto", L"a.mid"})));
    EXPECT_TRUE(std::holds_alternative<UsageError>(parseArguments({L"suggest", L"--json", L"a.mid"})));
}

}  // namespace
