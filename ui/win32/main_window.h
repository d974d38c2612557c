#pragma once

// The main window: class "DrumUI", seven child controls, and the window
// procedure that starts everything the program does.

#include <windows.h>

struct MainWindowControls {
    HWND drumList = nullptr;
    HWND splitInsertButton = nullptr;
    HWND splitOverwriteButton = nullptr;
    HWND format1Button = nullptr;
    HWND overwriteCheckBox = nullptr;
    HWND statusLine = nullptr;
    HWND inputFileLabel = nullptr;
};

extern MainWindowControls mainControls;  // the main window's controls, set when it is created

void registerMainWindowClass(HINSTANCE instance);

// Creates the main window at 100, 100, 760 by 560 pixels outside, not yet shown.
HWND createMainWindow(HINSTANCE instance);

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
