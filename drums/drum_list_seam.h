#pragma once

// What the inventory needs of the window: the drum list box, emptied and then
// filled with one item per drum note at every load. The Windows program
// implements these with Win32 (ui/win32/window_win32.cpp); builds without a
// window link ui/window_headless.cpp instead.

#include <string>

void drumListReset();
void drumListAdd(const std::wstring& text);
