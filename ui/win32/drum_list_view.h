#pragma once

// The drum list: an owner-drawn list box whose row i shows drumNoteList[i].
// These handlers run in the main window procedure.

#include <windows.h>

#include <string>

void onMeasureItem(MEASUREITEMSTRUCT& item);
void onDrawItem(const DRAWITEMSTRUCT& item);

// The right-click menu of the drum list, and the one asked for from the
// keyboard (both coordinates -1): the three destinations for the row; after a
// separator, "Fewest clashes" and "Back to proposed" for every row; after
// another, AUTO for the row and "Every hit routed" for every row; after a last
// one, the near window's three choices, the current one checked.
// Every change shows the clash totals in the status line.
void onContextMenu(HWND mainWindow, HWND clickedWindow, LPARAM screenPosition);

// How many places of a selected row's clashes the status line lists.
inline constexpr std::size_t kClashPlacesShown = 3;

// After the user selects a row: where its note's first clashes are, in the
// status line for as long as the totals stay, if it clashes anywhere.
void showSelectedClashPlaces(HWND mainWindow);

// Steps the selected row's destination on: TR4, TR5, BOTH, TR4...
void cycleSelectedTarget(HWND mainWindow);

// A row's track label as it is drawn in a cell `cellWidth` pixels wide: cut
// at its end with an ellipsis when too long for it.
std::wstring trackLabelAsDrawn(HDC dc, const std::wstring& label, int cellWidth);
