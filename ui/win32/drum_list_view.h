#pragma once

// The drum list: an owner-drawn list box whose row i shows drumNoteList[i].
// These handlers run in the main window procedure.

#include <windows.h>

void onMeasureItem(MEASUREITEMSTRUCT& item);
void onDrawItem(const DRAWITEMSTRUCT& item);

// The right-click menu of the drum list, and the one asked for from the
// keyboard (both coordinates -1).
void onContextMenu(HWND mainWindow, HWND clickedWindow, LPARAM screenPosition);

// Steps the selected row's destination on: TR4, TR5, BOTH, TR4...
void cycleSelectedTarget();
