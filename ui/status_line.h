#pragma once

// What the main window's status line shows besides the texts of a load or a save.

#include "ui/window_seam.h"

// The text the status line rests at: the drop prompt while no file is loaded;
// the editing hint while one is, or, if it has no drum note, a line that says so.
const wchar_t* restingStatusText();

// What the status line says at the end of a save.
const wchar_t* saveResultText(SaveResult result);

// The end of a save, as both sides of the window report it: its text in the
// status line, and the status timer started.
void showSaveResult(WindowHandle mainWindow, SaveResult result);

// The clash totals of both drum tracks, shown until the status timer puts the
// resting text back.
void showClashTotals(WindowHandle mainWindow);
