#pragma once

// What a save needs of the window, one plain function per need. The Windows
// program implements these with Win32 (ui/win32/window_win32.cpp); builds
// without a window link ui/window_headless.cpp instead.

// The main window's handle, opaque to the core (an HWND on Windows).
using WindowHandle = void*;

// Whether the "overwrite input file" check box is ticked right now.
bool overwriteBoxChecked(WindowHandle mainWindow);

// How a save command ended.
enum class SaveResult {
    SavedSplitInsert,
    SavedSplitOverwrite,
    SavedOverInput,
    SavedFormat1,
    Failed,  // nothing written
    // Nothing written, for a reason the user can see to.
    FailedInUse,              // another program holds the file
    FailedReadOnly,           // the file is read-only
    FailedDiskFull,           // the disk is full
    FailedFolderNotWritable,  // no file may be made in the folder
};

// Tells the user how a save ended: the window shows it in its status line
// and starts its status timer (timer 1, 3000 ms), which puts the resting text
// back.
void reportSave(WindowHandle mainWindow, SaveResult result);
