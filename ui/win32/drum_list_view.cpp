#include "ui/win32/drum_list_view.h"

#include <windowsx.h>

#include <string>

#include "drums/drum_inventory.h"
#include "ui/clash_view.h"
#include "ui/drum_row.h"
#include "ui/status_line.h"
#include "ui/texts.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/main_window.h"

namespace {

RECT toRect(const Rect& box) { return {box.x, box.y, box.x + box.width, box.y + box.height}; }

void drawCellText(HDC dc, const std::wstring& text, const Rect& cell, UINT alignment) {
    RECT rect = toRect(cell);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_SINGLELINE | DT_VCENTER | alignment);
}

// The note of a row that the list box reports. The list and drumNoteList are
// filled together, yet an index outside drumNoteList must never be read.
bool noteAtRow(LRESULT row, std::int32_t& note) {
    if (row < 0 || static_cast<std::size_t>(row) >= drumNoteList.size()) {
        return false;
    }
    note = drumNoteList[static_cast<std::size_t>(row)];
    return true;
}

void redrawDrumList() { InvalidateRect(mainControls.drumList, nullptr, FALSE); }

int textWidth(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// In red after the percussion name, in the name's cell: the cells stay where
// they are. A count too long for the room left ends in an ellipsis, or is left
// out, rather than cut through a glyph.
void drawClashCount(HDC dc, const DrumRowTexts& texts, const Rect& nameCell) {
    if (texts.clashes.empty()) {
        return;
    }
    Rect cell = nameCell;
    if (!texts.name.empty()) {
        const int shift = textWidth(dc, texts.name) + kClashCountGap;
        cell.x += shift;
        cell.width -= shift;
    }
    const std::wstring shown =
        fitClashCount(texts.clashes, cell.width, [dc](const std::wstring& text) { return textWidth(dc, text); });
    if (shown.empty()) {
        return;
    }
    const COLORREF previous = SetTextColor(dc, RGB(kClashCountColour.red, kClashCountColour.green, kClashCountColour.blue));
    drawCellText(dc, shown, cell, DT_LEFT);
    SetTextColor(dc, previous);
}

// After the destinations changed: the counts follow, and the status line shows the totals.
void destinationsChanged(HWND mainWindow) {
    recountClashes();
    showClashTotals(mainWindow);
}

// Where a context menu asked for from the keyboard opens, in the list's client
// coordinates, and the row it acts on: just below the selected row, so that the
// row stays in view; the list's top-left corner and the row there when none is
// selected.
LRESULT keyboardMenuRow(POINT& clientPosition) {
    const HWND list = mainControls.drumList;
    const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) {
        clientPosition = {0, 0};
        return LOWORD(SendMessageW(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(0, 0)));
    }
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);  // scrolls it into view
    RECT row{};
    SendMessageW(list, LB_GETITEMRECT, selected, reinterpret_cast<LPARAM>(&row));
    clientPosition = {row.left, row.bottom};
    return selected;
}

}  // namespace

void onMeasureItem(MEASUREITEMSTRUCT& item) { item.itemHeight = kDrumRowHeight; }

std::wstring trackLabelAsDrawn(HDC dc, const std::wstring& label, int cellWidth) {
    return fitAtEnd(label, cellWidth, [dc](const std::wstring& text) { return textWidth(dc, text); });
}

void onDrawItem(const DRAWITEMSTRUCT& item) {
    std::int32_t note = 0;
    // An empty list draws its focus with item -1.
    if (item.itemID == static_cast<UINT>(-1) || !noteAtRow(item.itemID, note)) {
        return;
    }
    const DrumRowTexts texts = drumRowTexts(note);
    const RECT& row = item.rcItem;
    const DrumRowCells cells = drumRowCells({row.left, row.top, row.right - row.left, row.bottom - row.top});
    const HDC dc = item.hDC;

    FillRect(dc, &item.rcItem, reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
    const Rgb colour = targetColour(assignmentMap[note]);
    const HBRUSH brush = CreateSolidBrush(RGB(colour.red, colour.green, colour.blue));
    const RECT targetCell = toRect(cells.target);
    FillRect(dc, &targetCell, brush);
    DeleteObject(brush);

    SetBkMode(dc, TRANSPARENT);
    const int labelWidth = cells.trackLabel.width;
    drawCellText(dc, trackLabelAsDrawn(dc, texts.trackLabel, labelWidth), cells.trackLabel, DT_CENTER);
    drawCellText(dc, texts.target, cells.target, DT_CENTER);
    drawCellText(dc, texts.number, cells.number, DT_LEFT);
    // A note on AUTO shows how its hits went after its name, and its clashes after that.
    DrumRowTexts shown = texts;
    if (!texts.hits.empty()) {
        shown.name = texts.name.empty() ? texts.hits : texts.name + L"  " + texts.hits;
    }
    drawCellText(dc, shown.name, cells.name, DT_LEFT);
    drawClashCount(dc, shown, cells.name);

    // The selection shows only as this dotted frame: the row keeps its colours.
    if (item.itemState & ODS_SELECTED) {
        DrawFocusRect(dc, &item.rcItem);
    }
}

void showSelectedClashPlaces(HWND mainWindow) {
    std::int32_t note = 0;
    if (!noteAtRow(SendMessageW(mainControls.drumList, LB_GETCURSEL, 0, 0), note)) {
        return;
    }
    const std::wstring places = clashPlacesOf(note, kClashPlacesShown);
    if (!places.empty()) {
        setStatusLine(mainWindow, clashesAtText(places));
        startStatusTimer(mainWindow);
    }
}

void cycleSelectedTarget(HWND mainWindow) {
    std::int32_t note = 0;
    if (!noteAtRow(SendMessageW(mainControls.drumList, LB_GETCURSEL, 0, 0), note)) {
        return;
    }
    assignmentMap[note] = nextTarget(assignmentMap[note]);
    destinationsChanged(mainWindow);
    redrawDrumList();
}

void onContextMenu(HWND mainWindow, HWND clickedWindow, LPARAM screenPosition) {
    const HWND list = mainControls.drumList;
    // Without rows there is nothing to choose for: no menu at all.
    if (clickedWindow != list || SendMessageW(list, LB_GETCOUNT, 0, 0) <= 0) {
        return;
    }
    // Signed: on a monitor left of or above the primary one they are negative.
    POINT screen{GET_X_LPARAM(screenPosition), GET_Y_LPARAM(screenPosition)};
    LRESULT row = 0;
    if (screen.x == -1 && screen.y == -1) {
        POINT client{};
        row = keyboardMenuRow(client);
        screen = client;
        ClientToScreen(list, &screen);
    } else {
        POINT client = screen;
        ScreenToClient(list, &client);
        // The nearest row, also for a click below the last one.
        row = LOWORD(SendMessageW(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y)));
    }
    std::int32_t note = 0;
    if (!noteAtRow(row, note)) {
        return;
    }
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);

    const HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kMenuTr4Id, targetLabel(TR4));
    AppendMenuW(menu, MF_STRING, kMenuTr5Id, targetLabel(TR5));
    AppendMenuW(menu, MF_STRING, kMenuBothId, targetLabel(BOTH));
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kMenuFewestClashesId, uiText(kTextMenuFewestClashes));
    AppendMenuW(menu, MF_STRING, kMenuBackToProposedId, uiText(kTextMenuBackToProposed));
    // Added items come after those that users already reach by their place.
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kMenuAutoId, uiText(kTextAutoTarget));
    AppendMenuW(menu, MF_STRING, kMenuEveryHitRoutedId, uiText(kTextMenuEveryHitRouted));
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    const std::pair<int, std::uint32_t> nearItems[] = {{kMenuNearOffId, 0}, {kMenuNear64Id, 64}, {kMenuNear32Id, 32}};
    for (const auto& [id, perQuarter] : nearItems) {
        const bool current = nearWindow.ticks == 0 && nearWindow.perQuarter == perQuarter;
        AppendMenuW(menu, MF_STRING | (current ? MF_CHECKED : MF_UNCHECKED), id,
                    uiText(kTextMenuNearOff + (id - kMenuNearOffId)));
    }
    const int chosen = static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD, screen.x, screen.y, 0, mainWindow, nullptr));
    DestroyMenu(menu);

    // A destination chosen again changes nothing, not even the status line;
    // the two items for the whole list always answer with the totals.
    DrumTarget target = TR4;
    if (targetForMenuItem(chosen, target) && assignmentMap[note] != target) {
        assignmentMap[note] = target;
        destinationsChanged(mainWindow);
    } else if (chosen == kMenuFewestClashesId) {
        chooseFewestClashes();
        showClashTotals(mainWindow);
    } else if (chosen == kMenuBackToProposedId) {
        restoreProposedDestinations();
        showClashTotals(mainWindow);
    } else if (chosen == kMenuEveryHitRoutedId) {
        routeEveryHit();
        showClashTotals(mainWindow);
    } else if (chosen >= kMenuNearOffId && chosen <= kMenuNear32Id) {
        setNearWindow(nearItems[chosen - kMenuNearOffId].second);
        showClashTotals(mainWindow);
    }
    redrawDrumList();
}
