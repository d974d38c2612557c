#pragma once

// What the window's portable half (ui/) needs of the window, one plain function
// per need, beside what the core declares for itself (drums/drum_list_seam.h,
// split/save_seam.h). The Windows program implements them all with Win32
// (win32/window_win32.cpp); builds without a window link window_headless.cpp.

#include <cstdint>
#include <string>

#include "drums/drum_list_seam.h"
#include "split/save_seam.h"

// The status line of the main window, and timer 1 (3000 ms) that puts its
// resting text back.
void setStatusLine(WindowHandle mainWindow, const std::wstring& text);
void startStatusTimer(WindowHandle mainWindow);

// The user's interface language as a Windows language identifier (0x0411: Japanese).
std::uint16_t userInterfaceLanguage();
