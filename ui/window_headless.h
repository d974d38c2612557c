#pragma once

// The window as seen by builds that have none: what the core showed is kept
// here, for tests to check and for the command-line tool to print.

#include <cstdint>
#include <string>
#include <vector>

#include "ui/window_seam.h"

struct HeadlessWindow {
    std::vector<std::wstring> drumListItems;
    int drumListResets = 0;
    std::wstring statusLine;
    int statusTimerStarts = 0;
    WindowHandle lastTimerWindow = nullptr;
    bool overwriteBoxChecked = false;
    std::uint16_t interfaceLanguage = 0x0409;  // English (United States)
};

extern HeadlessWindow headlessWindow;
