#include "cli/arguments.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::wstring>;

struct ValidCase {
    Args arguments;
    Command command;
    Args files;
    std::vector<NoteOverride> overrides;
    bool json = false;
    bool inPlace = false;
    std::optional<NearWindow> near = std::nullopt;
    bool perHitAll = false;
    bool where = false;
};

TEST(ParseArguments, ReadsCommandsFilesAndOptions) {
    const ValidCase cases[] = {
        {{L"list", L"a.mid", L"b.mid"}, Command::List, {L"a.mid", L"b.mid"}, {}},
        {{L"list", L"--json", L"a.mid"}, Command::List, {L"a.mid"}, {}, true},
        {{L"split-insert", L"--tr4", L"36,38", L"a.mid", L"--tr5=42", L"b.mid", L"--both", L"49"},
         Command::SplitInsert,
         {L"a.mid", L"b.mid"},
         {{36, TR4}, {38, TR4}, {42, TR5}, {49, BOTH}}},
        {{L"split-overwrite", L"a.mid", L"--in-place"}, Command::SplitOverwrite, {L"a.mid"}, {}, false, true},
        {{L"format1", L"a.mid"}, Command::Format1, {L"a.mid"}, {}},
        {{L"suggest", L"--per-hit", L"36,42", L"--near", L"1/64", L"a"}, Command::Suggest, {L"a"},
         {{36, AUTO}, {42, AUTO}}, false, false, NearWindow{64, 0}},
        {{L"list", L"--per-hit-all", L"--where", L"--near=12ticks", L"a"}, Command::List, {L"a"}, {}, false, false,
         NearWindow{0, 12}, true, true},
        {{L"split-insert", L"--near", L"0", L"a"}, Command::SplitInsert, {L"a"}, {}, false, false, NearWindow{0, 0}},
        // The whole byte range that a drum note can carry, leading zeros allowed.
        {{L"list", L"--tr5", L"0,255,007", L"a"}, Command::List, {L"a"}, {{0, TR5}, {255, TR5}, {7, TR5}}},
        // After "--" everything is a file, and so is a lone "-".
        {{L"list", L"--", L"--tr4", L"--help"}, Command::List, {L"--tr4", L"--help"}, {}},
        {{L"list", L"-"}, Command::List, {L"-"}, {}},
        {{L"list", L"日本語.mid"}, Command::List, {L"日本語.mid"}, {}},
        // --help wins over everything before "--", errors included.
        {{L"list", L"--tr4", L"999", L"--help"}, Command::Help, {}, {}},
        {{L"frob", L"-h"}, Command::Help, {}, {}},
        {{L"--version"}, Command::Version, {}, {}},
    };
    for (const ValidCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const ParsedArguments parsed = parseArguments(c.arguments);
        ASSERT_TRUE(std::holds_alternative<Invocation>(parsed)) << std::get<UsageError>(parsed).message;
        const Invocation& invocation = std::get<Invocation>(parsed);
        EXPECT_EQ(invocation.command, c.command);
        EXPECT_EQ(invocation.files, c.files);
        EXPECT_EQ(invocation.overrides, c.overrides);
        EXPECT_EQ(invocation.json, c.json);
        EXPECT_EQ(invocation.inPlace, c.inPlace);
        EXPECT_EQ(invocation.nearOption, c.near);
        EXPECT_EQ(invocation.perHitAll, c.perHitAll);
        EXPECT_EQ(invocation.where, c.where);
    }
}

struct ErrorCase {
    Args arguments;
    std::vector<std::string> inMessage;  // the offending argument, and what is wrong with it
};

TEST(ParseArguments, RefusesBadUsageNamingTheArgument) {
    const ErrorCase cases[] = {
        {{}, {"no command"}},
        {{L"lst", L"a"}, {"unknown command 'lst'"}},
        {{L"list", L"--frob", L"a"}, {"unknown option '--frob'"}},
        {{L"list", L"--json=yes", L"a"}, {"'--json=yes'"}},
        {{L"split-insert"}, {"no file"}},
        {{L"list", L"--tr4"}, {"'--tr4'", "needs"}},
        {{L"list", L"--tr4", L"256", L"a"}, {"'--tr4 256'", "outside 0 to 255"}},
        {{L"list", L"--tr5=99999999999999999999", L"a"}, {"'--tr5=99999999999999999999'", "outside"}},
        {{L"list", L"--tr4", L"36,", L"a"}, {"'--tr4 36,'", "not a comma-separated list"}},
        {{L"list", L"--tr4", L",36", L"a"}, {"'--tr4 ,36'", "not a comma"}},
        {{L"list", L"--tr4", L"36,,38", L"a"}, {"'--tr4 36,,38'", "not a comma"}},
        {{L"list", L"--both", L"-1", L"a"}, {"'--both -1'", "not a comma"}},
        {{L"list", L"--tr4", L"+5", L"a"}, {"'--tr4 +5'", "not a comma"}},
        {{L"list", L"--tr4", L"36 ", L"a"}, {"'--tr4 36 '", "not a comma"}},
        {{L"list", L"--tr4", L"0x24", L"a"}, {"'--tr4 0x24'", "not a comma"}},
        {{L"list", L"--tr4=", L"a"}, {"'--tr4='", "not a comma"}},
        {{L"list", L"--tr4", L"36", L"--tr5", L"38,36", L"a"}, {"note 36 is given twice", "'--tr4 36'", "'--tr5 38,36'"}},
        {{L"list", L"--both=40,40", L"a"}, {"note 40 is given twice", "'--both=40,40'"}},
        {{L"format1", L"--tr5", L"36", L"a"}, {"'--tr5' does not apply to format1"}},
        {{L"split-insert", L"--json", L"a"}, {"'--json' applies only to list"}},
        {{L"split-insert", L"--in-place", L"a"}, {"'--in-place' applies only to split-overwrite"}},
        {{L"list", L"--tr4", L"36", L"--per-hit", L"36", L"a"}, {"note 36 is given twice", "'--per-hit 36'"}},
        {{L"list", L"--near", L"1/8", L"a"}, {"'--near 1/8'", "near window"}},
        {{L"list", L"--near=0ticks", L"a"}, {"'--near=0ticks'"}},
        {{L"list", L"--near", L"ticks", L"a"}, {"'--near ticks'"}},
        {{L"list", L"--near"}, {"'--near'"}},
        {{L"format1", L"--per-hit-all", L"a"}, {"'--per-hit-all' does not apply to format1"}},
        {{L"split-insert", L"--where", L"a"}, {"'--where' applies only to list"}},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const ParsedArguments parsed = parseArguments(c.arguments);
        ASSERT_TRUE(std::holds_alternative<UsageError>(parsed));
        for (const std::string& part : c.inMessage) {
            EXPECT_NE(std::get<UsageError>(parsed).message.find(part), std::string::npos)
                << std::get<UsageError>(parsed).message << " lacks " << part;
        }
    }
}

TEST(ParseNoteList, AppendsNothingWhenALaterItemIsBad) {
    std::vector<NoteOverride> overrides{{1, TR5}};
    const auto result = parseNoteList(L"36,38,x", TR4, L"--tr4 36,38,x", overrides);
    EXPECT_TRUE(std::holds_alternative<UsageError>(result));
    EXPECT_EQ(overrides, (std::vector<NoteOverride>{{1, TR5}}));
}

}  // namespace
