#pragma once

// What the portable core needs of the window, one plain function per need.
// The Windows program implements these with Win32 (window_win32.cpp); builds
// without a window link window_headless.cpp instead.

#include <cstdint>
#include <string>

// The main window's handle, opaque to the core (an HWND on Windows).
using WindowHandle = void*;

// The drum list box: empty it, then add one item per drum note.
void drumListReset();
void drumListAdd(const std::wstring& text);

// The status line of the main window, and timer 1 (3000 ms) that puts its
// resting text back.
void setStatusLine(WindowHandle mainWindow, const std::wstring& text);
void startStatusTimer(WindowHandle mainWindow);

// Whether the "overwrite input file" check box is ticked right now.
bool overwriteBoxChecked(WindowHandle mainWindow);

// The user's interface language as a Windows language identifier (0x0411: Japanese).
std::uint16_t userInterfaceLanguage();
