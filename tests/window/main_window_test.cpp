// The main window's controls, states, drops and layout.

#include <algorithm>
#include <filesystem>

#include "song/file_path.h"
#include "split/save_command.h"
#include "ui/win32/control_ids.h"
#include "ui/texts.h"
#include "window_driver.h"

namespace {

constexpr int kSaveButtons[] = {kSplitInsertButtonId, kSplitOverwriteButtonId, kFormat1ButtonId};

}  // namespace

TEST_F(MainWindowTest, CreatesSevenControlsInOrderWithTheirClassesAndStyles) {
    const struct {
        int id;
        const wchar_t* className;
        DWORD style;
    } expected[] = {
        {kDrumListId, L"ListBox", WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED},
        {kSplitInsertButtonId, L"Button", BS_PUSHBUTTON},
        {kSplitOverwriteButtonId, L"Button", BS_PUSHBUTTON},
        {kFormat1ButtonId, L"Button", BS_PUSHBUTTON},
        {kOverwriteCheckBoxId, L"Button", WS_CLIPSIBLINGS | BS_AUTOCHECKBOX},
        {kStatusLineId, L"Static", SS_CENTER | SS_CENTERIMAGE},
        {kInputFileLabelId, L"Static", SS_LEFT | SS_CENTERIMAGE},
    };
    // The first child is the top of the z-order, the one created first.
    HWND child = GetWindow(window, GW_CHILD);
    for (const auto& c : expected) {
        ASSERT_NE(child, nullptr) << c.id;
        EXPECT_EQ(GetDlgCtrlID(child), c.id);
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        EXPECT_EQ(_wcsicmp(className, c.className), 0) << c.id;
        // Only the styles of our choosing: no WS_TABSTOP, no LBS_HASSTRINGS or
        // LBS_SORT, no LBS_NOINTEGRALHEIGHT, no extended styles. Two bits are
        // state, not creation styles: the disabled buttons' WS_DISABLED, and
        // WS_VSCROLL, which the list drops while its rows fit.
        const DWORD state = WS_DISABLED | (c.id == kDrumListId ? WS_VSCROLL : 0);
        const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
        EXPECT_EQ(style & ~state, (WS_CHILD | WS_VISIBLE | c.style) & ~state) << c.id;
        EXPECT_EQ(GetWindowLongW(child, GWL_EXSTYLE), 0) << c.id;
        // No font of our own: the controls keep the system's.
        EXPECT_EQ(SendMessageW(child, WM_GETFONT, 0, 0), 0) << c.id;
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
}

TEST_F(MainWindowTest, WindowClassAndFrameAreTheProgramsOwn) {
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    EXPECT_STREQ(className, L"DrumUI");
    EXPECT_EQ(windowText(window), kWindowTitle);
    EXPECT_EQ(GetClassLongPtrW(window, GCL_STYLE), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(GetClassLongPtrW(window, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
    const DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    const DWORD wanted = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    RECT outer;
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, 760);
    EXPECT_EQ(outer.bottom - outer.top, 560);
}

TEST_F(MainWindowTest, StartsWithNoFile) {
    for (const int id : kSaveButtons) {
        EXPECT_FALSE(enabled(id)) << id;
    }
    EXPECT_EQ(text(kStatusLineId), uiText(kTextDropPrompt));
    EXPECT_EQ(text(kInputFileLabelId), uiText(kTextNoInputFile));
    EXPECT_FALSE(checked(kOverwriteCheckBoxId));
    EXPECT_EQ(SendMessageW(list(), LB_GETCOUNT, 0, 0), 0);
}

TEST_F(MainWindowTest, SuccessfulDropLoadsAndEnablesTheSaves) {
    dropSong(L"groove.mid");
    EXPECT_TRUE(fileLoaded);
    for (const int id : kSaveButtons) {
        EXPECT_TRUE(enabled(id)) << id;
    }
    EXPECT_EQ(text(kStatusLineId), uiText(kTextEditHint));
    EXPECT_EQ(text(kInputFileLabelId), std::wstring(uiText(kTextInputFilePrefix)) + L"groove.mid");
    EXPECT_EQ(SendMessageW(list(), LB_GETCOUNT, 0, 0), kDrumSongRows);
    EXPECT_EQ(selectedRow(), LB_ERR);
}

TEST_F(MainWindowTest, FailedDropDisablesTheSavesButKeepsTheListEditable) {
    dropSong();
    dropSong(L"broken.mid", notMidi());
    EXPECT_FALSE(fileLoaded);
    for (const int id : kSaveButtons) {
        EXPECT_FALSE(enabled(id)) << id;
    }
    EXPECT_EQ(text(kStatusLineId), uiText(kTextLoadFailed));
    EXPECT_EQ(text(kInputFileLabelId), std::wstring(uiText(kTextInputFilePrefix)) + uiText(kTextInputFileFailed));

    // The previous file's rows stay, and can still be re-assigned.
    ASSERT_EQ(SendMessageW(list(), LB_GETCOUNT, 0, 0), kDrumSongRows);
    doubleClickRow(0);
    EXPECT_EQ(targetOfRow(0), TR5);

    // A command that reaches the window anyway saves nothing.
    for (const int id : kSaveButtons) {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control(id)));
    }
    EXPECT_EQ(folder.entries(), (std::vector<std::wstring>{L"broken.mid", L"song.mid"}));
}

// A side copy beside a dropped song (a save of it cut short) is pointed out
// over the load's own text, the failed load's too: a song that a cut-short
// save damaged may be why it failed. The load goes on as without it.
TEST_F(MainWindowTest, DropOfASongWithASideCopyBesideItSaysHowToRecover) {
    const struct {
        const wchar_t* name;
        Bytes bytes;
        bool loads;
    } cases[] = {{L"whole.mid", drumSong(), true}, {L"damaged.mid", notMidi(), false}};
    for (const auto& c : cases) {
        writeFileBytes(sideCopyBeside(folder.path / c.name), drumSong());
        dropSong(c.name, c.bytes);
        EXPECT_EQ(text(kStatusLineId), sideCopyLeftText(std::wstring(c.name) + L".tessaline-old"));
        EXPECT_EQ(fileLoaded, c.loads);
        EXPECT_EQ(enabled(kFormat1ButtonId), c.loads);
    }
}

TEST_F(MainWindowTest, DropAfterAFailureLoadsAgain) {
    dropSong(L"broken.mid", notMidi());
    dropSong(L"second.mid");
    EXPECT_TRUE(fileLoaded);
    EXPECT_TRUE(enabled(kFormat1ButtonId));
    EXPECT_EQ(text(kStatusLineId), uiText(kTextEditHint));
    EXPECT_EQ(text(kInputFileLabelId), std::wstring(uiText(kTextInputFilePrefix)) + L"second.mid");
}

TEST_F(MainWindowTest, LabelShowsTheNameAfterTheLastSeparatorOfEitherKind) {
    writeSong(L"song.mid", drumSong());
    std::wstring slashed = folder.file(L"song.mid");
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
    std::wstring mixed = slashed;
    mixed[mixed.rfind(L'/')] = L'\\';
    ASSERT_TRUE(SetCurrentDirectoryW(folder.path.wstring().c_str()));

    for (const std::wstring& path : {folder.file(L"song.mid"), slashed, mixed, std::wstring(L"song.mid")}) {
        SCOPED_TRACE(std::string(path.begin(), path.end()));
        drop({path});
        EXPECT_TRUE(fileLoaded);
        EXPECT_EQ(text(kInputFileLabelId), std::wstring(uiText(kTextInputFilePrefix)) + L"song.mid");
    }
    SetCurrentDirectoryW(L"C:\\");
}

TEST_F(MainWindowTest, DropOfSeveralFilesLoadsOnlyTheFirst) {
    const std::wstring good = writeSong(L"good.mid", drumSong());
    const std::wstring broken = writeSong(L"broken.mid", notMidi());

    drop({good, broken});
    EXPECT_TRUE(fileLoaded);
    EXPECT_EQ(text(kInputFileLabelId), std::wstring(uiText(kTextInputFilePrefix)) + L"good.mid");

    drop({broken, good});
    EXPECT_FALSE(fileLoaded);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextLoadFailed));
}

TEST_F(MainWindowTest, LongDroppedPathIsLoadedWhole) {
    // Over 300 characters: a path cut at 259 would name no file at all.
    std::filesystem::path deep = folder.path;
    while (deep.wstring().size() < 300) {
        deep /= std::wstring(40, L'd');
    }
    std::error_code error;
    std::filesystem::create_directories(deep, error);
    if (error) {
        GTEST_SKIP() << "this system cannot make a path that long: " << error.message();
    }
    const std::wstring path = (deep / L"long.mid").wstring();
    ASSERT_GT(path.size(), 300u);
    writeFileBytes(path, drumSong());

    drop({path});
    EXPECT_TRUE(fileLoaded);
    EXPECT_EQ(text(kInputFileLabelId), std::wstring(uiText(kTextInputFilePrefix)) + L"long.mid");
    EXPECT_EQ(songData.inputPath, path);
}

TEST_F(MainWindowTest, EmptyDropFails) {
    drop({});
    EXPECT_FALSE(fileLoaded);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextLoadFailed));
}

TEST_F(MainWindowTest, LayoutOfA744By521Client) {
    setClientSize(744, 521);
    EXPECT_EQ(childRect(control(kStatusLineId)), (Rect{10, 381, 724, 22}));
    EXPECT_EQ(childRect(control(kOverwriteCheckBoxId)), (Rect{14, 421, 724, 20}));
    EXPECT_EQ(childRect(control(kInputFileLabelId)), (Rect{10, 451, 724, 20}));
    EXPECT_EQ(childRect(control(kSplitInsertButtonId)), (Rect{10, 481, 234, 30}));
    EXPECT_EQ(childRect(control(kSplitOverwriteButtonId)), (Rect{254, 481, 234, 30}));
    EXPECT_EQ(childRect(control(kFormat1ButtonId)), (Rect{498, 481, 234, 30}));

    // The list box trims the 371 pixels it is given to whole rows.
    const Rect drumList = childRect(list());
    EXPECT_EQ(drumList.x, 10);
    EXPECT_EQ(drumList.y, 10);
    EXPECT_EQ(drumList.width, 724);
    EXPECT_LE(drumList.height, 371);
    EXPECT_GT(drumList.height, 371 - kDrumRowHeight);
    RECT listClient;
    GetClientRect(list(), &listClient);
    EXPECT_EQ(listClient.bottom % kDrumRowHeight, 0);
}

TEST_F(MainWindowTest, NarrowClientsFollowTheButtonWidthRule) {
    const struct {
        int clientWidth;
        int buttonWidth;
    } cases[] = {{40, 100}, {41, 0}, {43, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clientWidth);
        setClientSize(c.clientWidth, 521);
        EXPECT_EQ(childRect(control(kSplitInsertButtonId)), (Rect{10, 481, c.buttonWidth, 30}));
        EXPECT_EQ(childRect(control(kSplitOverwriteButtonId)), (Rect{c.buttonWidth + 20, 481, c.buttonWidth, 30}));
        EXPECT_EQ(childRect(control(kFormat1ButtonId)), (Rect{2 * c.buttonWidth + 30, 481, c.buttonWidth, 30}));
        EXPECT_EQ(childRect(control(kStatusLineId)).width, c.clientWidth - 20);
    }
}

TEST_F(MainWindowTest, ListShowsItsScrollBarWhenRowsOverflow) {
    Bytes hits;
    for (std::uint8_t note = 35; note < 65; ++note) {
        hits = hits + Bytes{0x00, 0x99, note, 100, 0x10, 0x89, note, 0};
    }
    dropSong(L"many.mid", mthd(1, 480, 0) + mtrk(hits + Bytes{0x00, 0xFF, 0x2F, 0x00}));
    ASSERT_EQ(SendMessageW(list(), LB_GETCOUNT, 0, 0), 30);
    EXPECT_TRUE(GetWindowLongW(list(), GWL_STYLE) & WS_VSCROLL);
}
