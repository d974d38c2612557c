#include <windows.h>

#include "ui/win32/main_window.h"

// The command line is not used: files arrive by drag and drop only.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    registerMainWindowClass(instance);
    const HWND window = createMainWindow(instance);
    ShowWindow(window, showCommand);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
