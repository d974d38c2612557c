// The drum list: its rows as drawn, double-click cycling, the context menu.

#include "clashes/clash_count.h"
#include "clashes/destination_search.h"
#include "drums/drum_inventory.h"
#include "song/smf_reader.h"
#include "split/save_command.h"
#include "ui/clash_view.h"
#include "ui/texts.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/drum_list_view.h"
#include "window_driver.h"

namespace {

// Inside the target cell but clear of its centred text.
POINT targetCellCorner(int row) { return {68 + 2, row * kDrumRowHeight + 2}; }

Rgb windowColour() { return toRgb(GetSysColor(COLOR_WINDOW)); }

// Whether any pixel of the row's top edge, across the gap between the label
// and target cells, differs from the window colour: the dotted focus frame.
bool hasFocusFrame(const Rendering& rendering, int row) {
    for (int x = 64; x < 68; ++x) {
        if (rendering.at(x, row * kDrumRowHeight) != windowColour()) {
            return true;
        }
    }
    return false;
}

}  // namespace

TEST_F(MainWindowTest, RowsAre22PixelsHigh) {
    dropSong();
    EXPECT_EQ(SendMessageW(list(), LB_GETITEMHEIGHT, 0, 0), kDrumRowHeight);
}

TEST_F(MainWindowTest, TargetCellIsFilledWithTheDestinationsColour) {
    dropSong();
    const DrumTarget expected[kDrumSongRows] = {TR4, TR4, BOTH, TR5};
    const Rendering rendering = renderClient(list());
    for (int row = 0; row < kDrumSongRows; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(targetOfRow(row), expected[row]);
        const POINT corner = targetCellCorner(row);
        EXPECT_EQ(rendering.at(corner.x, corner.y), targetColour(expected[row]));
        // The gaps on either side show the row's background.
        EXPECT_EQ(rendering.at(66, corner.y), windowColour());
        EXPECT_EQ(rendering.at(130, corner.y), windowColour());
    }
}

TEST_F(MainWindowTest, OnlyTheSelectedRowHasAFocusFrame) {
    dropSong();
    EXPECT_FALSE(hasFocusFrame(renderClient(list()), 1));
    selectRow(1);
    const Rendering rendering = renderClient(list());
    EXPECT_TRUE(hasFocusFrame(rendering, 1));
    EXPECT_FALSE(hasFocusFrame(rendering, 0));
    EXPECT_FALSE(hasFocusFrame(rendering, 2));
    // The selection gets no highlight colour.
    EXPECT_EQ(rendering.at(targetCellCorner(1).x, targetCellCorner(1).y), targetColour(TR4));
}

TEST_F(MainWindowTest, DoubleClickCyclesTr4Tr5BothTr4AndRepaints) {
    dropSong();
    const DrumTarget steps[] = {TR5, BOTH, TR4};
    for (const DrumTarget expected : steps) {
        doubleClickRow(1);
        EXPECT_EQ(targetOfRow(1), expected);
        const POINT corner = targetCellCorner(1);
        EXPECT_EQ(renderClient(list()).at(corner.x, corner.y), targetColour(expected));
    }
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_EQ(targetOfRow(0), TR4) << "other rows stay as they were";
}

TEST_F(MainWindowTest, NextSaveFollowsTheDoubleClickedDestination) {
    const std::wstring input = writeSong(L"song.mid", drumSong());
    drop({input});
    doubleClickRow(1);  // note 38: TR4 -> TR5
    doubleClickRow(0);  // note 36: TR4 -> TR5
    doubleClickRow(0);  //          TR5 -> BOTH
    click(kSplitInsertButtonId);
    ASSERT_EQ(text(kStatusLineId), uiText(kTextSavedSplitInsert));

    // After the conductor track and tracks 1 to 3, the TR4 track is at 4 and TR5 at 5.
    ASSERT_TRUE(loadSong(folder.file(L"song_S.mid")));
    EXPECT_EQ(tracksWithDrumNote(songData, 38), (std::set<std::size_t>{5}));
    EXPECT_EQ(tracksWithDrumNote(songData, 36), (std::set<std::size_t>{4, 5}));
    EXPECT_EQ(tracksWithDrumNote(songData, 46), (std::set<std::size_t>{5}));
}

TEST_F(MainWindowTest, DoubleClickWithoutRowsChangesNothing) {
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(kDrumListId, LBN_DBLCLK), reinterpret_cast<LPARAM>(list()));
    EXPECT_TRUE(assignmentMap.empty());
}

namespace {

struct MenuCase {
    const char* name;
    int item;  // 0: dismissed
    DrumTarget expected;
};

// Row 2 (note 42) starts as BOTH, so every choice is a change but BOTH.
const MenuCase kMenuCases[] = {
    {"Tr4", 1, TR4},
    {"Tr5", 2, TR5},
    {"Both", 3, BOTH},
    {"Auto", 6, AUTO},
    {"Dismissed", 0, BOTH},
};

class ContextMenuTest : public MainWindowTest, public ::testing::WithParamInterface<MenuCase> {};

}  // namespace

TEST_P(ContextMenuTest, RightClickOnARowSetsTheChosenDestination) {
    dropSong();
    const MenuOutcome menu = answerMenu(GetParam().item, [&] { rightClickList(rowCentre(2)); });
    ASSERT_TRUE(menu.shown);
    EXPECT_FALSE(menu.timedOut);
    EXPECT_EQ(targetOfRow(2), GetParam().expected);
    EXPECT_EQ(selectedRow(), 2);
    const POINT corner = targetCellCorner(2);
    EXPECT_EQ(renderClient(list()).at(corner.x, corner.y), targetColour(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Items, ContextMenuTest, ::testing::ValuesIn(kMenuCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, ContextMenuOpensAtTheCursor) {
    dropSong();
    const POINT client = rowCentre(1);
    POINT screen = client;
    ClientToScreen(list(), &screen);
    const MenuOutcome menu = answerMenu(0, [&] { rightClickList(client); });
    ASSERT_TRUE(menu.shown);
    EXPECT_EQ(menu.screenRect.left, screen.x);
    EXPECT_EQ(menu.screenRect.top, screen.y);
}

TEST_F(MainWindowTest, RightClickBelowTheLastRowActsOnTheLastRow) {
    dropSong();
    const POINT below = {100, kDrumSongRows * kDrumRowHeight + 40};
    const MenuOutcome menu = answerMenu(1, [&] { rightClickList(below); });
    ASSERT_TRUE(menu.shown);
    EXPECT_EQ(selectedRow(), kDrumSongRows - 1);
    EXPECT_EQ(targetOfRow(kDrumSongRows - 1), TR4);
    EXPECT_EQ(targetOfRow(2), BOTH);
}

TEST_F(MainWindowTest, RightClickOnAnEmptyListShowsNoMenu) {
    const MenuOutcome menu = answerMenu(1, [&] { rightClickList({100, 30}); });
    EXPECT_FALSE(menu.shown);
    EXPECT_TRUE(assignmentMap.empty());
    EXPECT_EQ(selectedRow(), LB_ERR);

    dropSong(L"plain.mid", songWithoutDrums());
    ASSERT_TRUE(fileLoaded);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextNoDrumNotes));
    EXPECT_FALSE(answerMenu(1, [&] { rightClickList({100, 30}); }).shown);
    EXPECT_TRUE(assignmentMap.empty());
}

TEST_F(MainWindowTest, ContextMenuOfAnotherWindowIsIgnored) {
    dropSong();
    const MenuOutcome menu = answerMenu(1, [&] {
        SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control(kStatusLineId)), MAKELPARAM(200, 200));
    });
    EXPECT_FALSE(menu.shown);
}

TEST_F(MainWindowTest, KeyboardContextMenuOpensBelowTheSelectedRowAndActsOnIt) {
    dropSong();
    selectRow(1);
    RECT row{};
    SendMessageW(list(), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    POINT expected = {row.left, row.bottom};
    ClientToScreen(list(), &expected);

    const MenuOutcome menu = answerMenu(3, [&] {
        SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list()), static_cast<LPARAM>(-1));
    });
    ASSERT_TRUE(menu.shown);
    EXPECT_EQ(menu.screenRect.left, expected.x);
    EXPECT_EQ(menu.screenRect.top, expected.y);
    EXPECT_EQ(targetOfRow(1), BOTH);
    EXPECT_EQ(selectedRow(), 1);
}

TEST_F(MainWindowTest, KeyboardContextMenuWithoutSelectionOpensAtTheListCornerForTheTopRow) {
    dropSong();
    POINT corner = {0, 0};
    ClientToScreen(list(), &corner);
    const MenuOutcome menu = answerMenu(2, [&] {
        SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list()), MAKELPARAM(-1, -1));
    });
    ASSERT_TRUE(menu.shown);
    EXPECT_EQ(menu.screenRect.left, corner.x);
    EXPECT_EQ(menu.screenRect.top, corner.y);
    EXPECT_EQ(targetOfRow(0), TR5);
    EXPECT_EQ(selectedRow(), 0);
}

TEST_F(MainWindowTest, ContextMenuAtNegativeScreenCoordinatesActsOnTheRowUnderTheCursor) {
    dropSong();
    // As on a monitor left of and above the primary one.
    SetWindowPos(window, nullptr, -500, -300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    POINT screen = rowCentre(1);
    ClientToScreen(list(), &screen);
    ASSERT_LT(screen.x, 0);
    ASSERT_LT(screen.y, 0);
    const MenuOutcome menu = answerMenu(3, [&] {
        SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list()), MAKELPARAM(screen.x, screen.y));
    });
    ASSERT_TRUE(menu.shown);
    // With a single monitor the system pulls the menu onto the screen: to its
    // top-left corner, not to the far side where a misread 65 000 would put it.
    EXPECT_LE(menu.screenRect.left, 0);
    EXPECT_LE(menu.screenRect.top, 0);
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_EQ(targetOfRow(1), BOTH);
    EXPECT_EQ(targetOfRow(kDrumSongRows - 1), TR5) << "the last row, nearest to a misread point, is untouched";
}

namespace {

bool isCountRed(const Rgb& pixel) { return pixel.red > 150 && pixel.green < 80 && pixel.blue < 80; }

// Whether any pixel of the row, right of where the name cell starts, is drawn in the count's red.
bool rowShowsACount(const Rendering& rendering, int row) {
    for (int y = row * kDrumRowHeight; y < (row + 1) * kDrumRowHeight; ++y) {
        for (int x = 216; x < rendering.width; ++x) {
            if (isCountRed(rendering.at(x, y))) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

TEST_F(MainWindowTest, ClashCountsAreDrawnInRedOnTheRowsThatClashAndFollowEveryChange) {
    dropSong();
    // Tick 0: 36, 38 and 42 (BOTH) in TR4; tick 96: 42 and 46 in TR5. Every row clashes.
    for (int row = 0; row < kDrumSongRows; ++row) {
        EXPECT_TRUE(rowShowsACount(renderClient(list()), row)) << row;
    }
    // 42 to TR4 alone: 46 is left without a partner in TR5.
    ASSERT_TRUE(answerMenu(1, [&] { rightClickList(rowCentre(2)); }).shown);
    const Rendering rendering = renderClient(list());
    for (int row = 0; row < kDrumSongRows; ++row) {
        EXPECT_EQ(rowShowsACount(rendering, row), row != 3) << row;
    }
}

namespace {

// The list's client area had nothing been drawn on white but `text`, in the
// count's red, in `box` as a row's cell draws it.
Rendering textAlone(HWND list, const std::wstring& text, RECT box) {
    return renderClientWith(list, [&](HDC dc, const RECT& client) {
        if (const auto font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0))) {
            SelectObject(dc, font);
        }
        FillRect(dc, &client, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(kClashCountColour.red, kClashCountColour.green, kClashCountColour.blue));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    });
}

// The pixels of `box` that are in the count's red in one rendering and not in the other.
int redPixelsApart(const Rendering& a, const Rendering& b, RECT box) {
    int apart = 0;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            apart += isCountRed(a.at(x, y)) != isCountRed(b.at(x, y));
        }
    }
    return apart;
}

}  // namespace

TEST_F(MainWindowTest, ClashCountTooWideForTheRowEndsInAnEllipsisOrIsLeftOut) {
    dropSong();
    const DrumRowTexts texts = drumRowTexts(drumNoteList.at(0));
    ASSERT_FALSE(texts.clashes.empty());
    const HDC dc = GetDC(list());
    if (const auto font = reinterpret_cast<HFONT>(SendMessageW(list(), WM_GETFONT, 0, 0))) {
        SelectObject(dc, font);
    }
    const auto widthOf = [dc](const std::wstring& text) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    const int countX = drumRowCells({0, 0, 0, kDrumRowHeight}).name.x + widthOf(texts.name) + kClashCountGap;
    const std::wstring count = texts.clashes;
    const std::wstring firstAndEllipsis = count.substr(0, 1) + L"\u2026";
    const struct {
        const char* room;
        int width;
        std::wstring shown;
    } cases[] = {
        {"for the whole count", widthOf(count), count},
        {"a pixel short", widthOf(count) - 1, fitAtEnd(count, widthOf(count) - 1, widthOf)},
        {"for its first character", widthOf(firstAndEllipsis), firstAndEllipsis},
        {"for less", widthOf(firstAndEllipsis) - 1, L""},
    };
    ReleaseDC(list(), dc);
    ASSERT_EQ(cases[1].shown.back(), L'\u2026');

    RECT client;
    GetClientRect(window, &client);
    RECT listClient;
    GetClientRect(list(), &listClient);
    const int frame = client.right - listClient.right;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.room);
        setClientSize(countX + c.width + frame, client.bottom);
        const RECT countBox = {countX, 0, countX + c.width, kDrumRowHeight};
        const Rendering drawn = renderClient(list());
        ASSERT_EQ(drawn.width, countBox.right);
        EXPECT_EQ(rowShowsACount(drawn, 0), !c.shown.empty());
        EXPECT_EQ(redPixelsApart(drawn, textAlone(list(), c.shown, countBox), countBox), 0);
    }
}

TEST_F(MainWindowTest, WholeListItemsGiveTheSuggestedAndTheProposedDestinations) {
    dropSong(L"clashing.mid", clashingSong());
    const AssignmentMap proposed = assignmentMap;
    doubleClickRow(2);  // 42: TR4 -> TR5
    doubleClickRow(2);  //     TR5 -> BOTH, which stays where it is
    const AssignmentMap expected =
        suggestDestinations(findChords(songData.tracks), proposed, {{42, BOTH}}).destinations;
    ASSERT_NE(expected, proposed);

    ASSERT_TRUE(answerMenu(4, [&] { rightClickList(rowCentre(0)); }).shown);
    EXPECT_EQ(assignmentMap, expected);
    // 42 on BOTH clashes with 36 in TR4 twice and with 38 in TR5 once; free, it would leave one clash.
    EXPECT_EQ(text(kStatusLineId), L"TR4: 2 clashes, TR5: 1 clash; 1 note on BOTH holds 2 of them");

    // From the keyboard, whatever row is selected.
    ASSERT_TRUE(answerMenu(5, [&] {
        SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list()), static_cast<LPARAM>(-1));
    }).shown);
    EXPECT_EQ(assignmentMap, proposed);
}

TEST_F(MainWindowTest, EveryHitRoutedPartsWhatWholeNotesCannotAndARowSaysWhereItClashes) {
    // 36 with 38, 36 with 42, 38 with 42: whole notes leave a clash, hits none.
    dropSong(L"clashing.mid", clashingSong());
    selectRow(0);  // 36, with 38 on ticks 96, 192, 288 and with 42 on 384, 480 (beat 2)
    EXPECT_EQ(text(kStatusLineId), L"Clashes at 1:1:096, 1:1:192, 1:1:288 \u2026");

    ASSERT_TRUE(answerMenu(kMenuEveryHitRoutedId, [&] { rightClickList(rowCentre(0)); }).shown);
    EXPECT_EQ(assignmentMap, (AssignmentMap{{36, AUTO}, {38, AUTO}, {42, AUTO}}));
    EXPECT_EQ(text(kStatusLineId).rfind(L"TR4: 0 clashes, TR5: 0 clashes", 0), 0u) << text(kStatusLineId);
    EXPECT_EQ(renderClient(list()).at(targetCellCorner(0).x, targetCellCorner(0).y), targetColour(AUTO));
    EXPECT_EQ(shownClashes.routedTr4[36] + shownClashes.routedTr5[36], 5u);

    // The near window: 1/64 chosen, then none.
    ASSERT_TRUE(answerMenu(kMenuNear64Id, [&] { rightClickList(rowCentre(0)); }).shown);
    EXPECT_EQ(nearWindow, (NearWindow{64, 0}));
    ASSERT_TRUE(answerMenu(kMenuNearOffId, [&] { rightClickList(rowCentre(0)); }).shown);
    EXPECT_EQ(nearWindow, (NearWindow{0, 0}));
}

TEST_F(MainWindowTest, TotalsShowAfterAChangeForThreeSeconds) {
    dropSong(L"clashing.mid", clashingSong());
    doubleClickRow(1);  // 38 to TR5: 36 with 42 on two ticks left in TR4
    EXPECT_EQ(text(kStatusLineId), clashTotalsText(2, 0));
    const ULONGLONG changed = GetTickCount64();
    ASSERT_TRUE(pumpUntil([&] { return text(kStatusLineId) == uiText(kTextEditHint); }, 6000));
    const ULONGLONG elapsed = GetTickCount64() - changed;
    EXPECT_GE(elapsed, 2900u);
    EXPECT_LE(elapsed, 4500u);
}

TEST_F(MainWindowTest, TrackLabelTooLongForItsCellIsCutAtItsEnd) {
    dropSong(L"long.mid", songWithALongLabel());
    ASSERT_EQ(trackLabelMap.at(36), L"4,5,6,7,8,9,10,11,12");
    const HDC dc = GetDC(list());
    const std::wstring shown = trackLabelAsDrawn(dc, trackLabelMap.at(36), 64);
    SIZE size{};
    GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
    const std::wstring shortLabel = trackLabelAsDrawn(dc, L"2,4,10", 64);
    ReleaseDC(list(), dc);

    EXPECT_EQ(shown.rfind(L"4,5,6", 0), 0u) << "the start of the list stays";
    EXPECT_EQ(shown.back(), L'\u2026');
    EXPECT_LE(size.cx, 64);
    EXPECT_EQ(shortLabel, L"2,4,10");
}
