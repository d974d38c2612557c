#include "ui/window_headless.h"

#include "ui/status_line.h"

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

void reportSave(WindowHandle mainWindow, SaveResult result) { showSaveResult(mainWindow, result); }

std::uint16_t userInterfaceLanguage() { return headlessWindow.interfaceLanguage; }
