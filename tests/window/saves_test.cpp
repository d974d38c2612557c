// The three save buttons, the overwrite check box and the status timer.

#include "song/smf_reader.h"
#include "split/output_path.h"
#include "split/save_command.h"
#include "ui/win32/control_ids.h"
#include "ui/texts.h"
#include "window_driver.h"

namespace {

struct SaveCase {
    const char* name;
    int button;
    const wchar_t* output;  // the file the button writes beside song.mid
    int statusText;
};

const SaveCase kSaveCases[] = {
    {"SplitInsert", kSplitInsertButtonId, L"song_S.mid", kTextSavedSplitInsert},
    {"SplitOverwrite", kSplitOverwriteButtonId, L"song_OW.mid", kTextSavedSplitOverwrite},
    {"Format1", kFormat1ButtonId, L"song_F1.mid", kTextSavedFormat1},
};

// The status timer runs exactly when it can be killed.
bool statusTimerRunning(HWND window) { return KillTimer(window, kStatusTimerId) != FALSE; }

class SaveButtonTest : public MainWindowTest, public ::testing::WithParamInterface<SaveCase> {};

}  // namespace

TEST_P(SaveButtonTest, WritesItsFileShowsItsTextAndTheTimerRestoresTheHint) {
    const SaveCase& save = GetParam();
    dropSong();
    click(save.button);

    EXPECT_EQ(folder.entries(), (std::vector<std::wstring>{L"song.mid", save.output}));
    EXPECT_EQ(text(kStatusLineId), uiText(save.statusText));
    EXPECT_TRUE(statusTimerRunning(window));

    SendMessageW(window, WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextEditHint));
}

TEST_P(SaveButtonTest, FailedWriteSaysSoUntilTheTimerFires) {
    dropSong();
    click(kSplitInsertButtonId == GetParam().button ? kFormat1ButtonId : kSplitInsertButtonId);
    // A folder where the output file should go makes the write fail, within
    // three seconds of a save that worked.
    std::filesystem::create_directory(folder.path / GetParam().output);
    click(GetParam().button);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextSaveFailed));
    EXPECT_TRUE(statusTimerRunning(window));

    SendMessageW(window, WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextEditHint));
}

INSTANTIATE_TEST_SUITE_P(Buttons, SaveButtonTest, ::testing::ValuesIn(kSaveCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, TimerAfterAFailedDropRestoresTheDropPrompt) {
    dropSong();
    click(kFormat1ButtonId);
    dropSong(L"broken.mid", notMidi());
    EXPECT_EQ(text(kStatusLineId), uiText(kTextLoadFailed));
    SendMessageW(window, WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextDropPrompt));
}

TEST_F(MainWindowTest, StatusTimerFiresAfterThreeSeconds) {
    dropSong();
    click(kSplitInsertButtonId);
    const ULONGLONG saved = GetTickCount64();
    ASSERT_TRUE(pumpUntil([&] { return text(kStatusLineId) == uiText(kTextEditHint); }, 6000));
    const ULONGLONG elapsed = GetTickCount64() - saved;
    EXPECT_GE(elapsed, 2900u);
    EXPECT_LE(elapsed, 4500u);
    EXPECT_FALSE(statusTimerRunning(window)) << "a timer left running would fire every 3 s";
}

TEST_F(MainWindowTest, CheckBoxClickSetsTheOverwriteOption) {
    dropSong();
    click(kOverwriteCheckBoxId);
    EXPECT_TRUE(checked(kOverwriteCheckBoxId));
    EXPECT_TRUE(overwriteInput);
    click(kOverwriteCheckBoxId);
    EXPECT_FALSE(overwriteInput);
}

TEST_F(MainWindowTest, TickedBoxMakesOnlyTheSplitOverwriteSaveWriteOverTheInput) {
    const std::wstring input = writeSong(L"song.mid", drumSong());
    drop({input});
    click(kOverwriteCheckBoxId);

    click(kSplitInsertButtonId);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextSavedSplitInsert));
    click(kFormat1ButtonId);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextSavedFormat1));
    EXPECT_EQ(readFileBytes(input), drumSong());

    click(kSplitOverwriteButtonId);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextSavedOverInput));
    EXPECT_EQ(folder.entries(), (std::vector<std::wstring>{L"song.mid", L"song_F1.mid", L"song_S.mid"}));
    EXPECT_NE(readFileBytes(input), drumSong());

    // The option survives a drop; clearing the box takes effect at the next save.
    drop({input});
    EXPECT_TRUE(checked(kOverwriteCheckBoxId));
    click(kOverwriteCheckBoxId);
    click(kSplitOverwriteButtonId);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextSavedSplitOverwrite));
    EXPECT_EQ(folder.entries(),
              (std::vector<std::wstring>{L"song.mid", L"song_F1.mid", L"song_OW.mid", L"song_S.mid"}));
}

TEST_F(MainWindowTest, SplitOverwriteSaveReadsTheBoxItself) {
    const std::wstring input = writeSong(L"song.mid", drumSong());
    drop({input});
    // Ticked without a click reaching the window: the option is stale, the box is not.
    SendMessageW(control(kOverwriteCheckBoxId), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_FALSE(overwriteInput);
    click(kSplitOverwriteButtonId);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextSavedOverInput));
    EXPECT_TRUE(overwriteInput);
    EXPECT_EQ(folder.entries(), (std::vector<std::wstring>{L"song.mid"}));
}
