#include "ui/window_headless.h"

#include <cstring>

HeadlessWindow headlessWindow;

void drumListReset() {
    headlessWindow.drumListItems.clear();
    ++headlessWindow.drumListResets;
}

void drumListAdd(const std::wstring& text) { headlessWindow.drumListItems.push_back(text); }

void setStatusLine(WindowHandle, const std::wstring& text) { headlessWindow.statusLine = text; }

void startStatusTimer(WindowHandle mainWindow) {
    ++headlessWindow.statusTimerStarts;
    headlessWindow.lastTimerWindow = mainWindow;
}

bool overwriteBoxChecked(WindowHandle) { return headlessWindow.overwriteBoxChecked; }

std::uint16_t userInterfaceLanguage() { return headlessWindow.interfaceLanguage; }

std::uint16_t languageFromLocaleName(const char* localeName) {
    if (localeName != nullptr && std::strncmp(localeName, "ja", 2) == 0) {
        return 0x0411;
    }
    return 0x0409;
}
