// The window seam for the Windows program: what the core shows goes to the
// real controls of the main window.

#include <windows.h>

#include "ui/win32/control_ids.h"
#include "ui/status_line.h"
#include "ui/win32/main_window.h"
#include "ui/window_seam.h"

void drumListReset() { SendMessageW(mainControls.drumList, LB_RESETCONTENT, 0, 0); }

// The list has no LBS_HASSTRINGS: it keeps the pointer as item data without
// copying the text, and draws rows from drumNoteList, never from the item.
void drumListAdd(const std::wstring& text) {
    SendMessageW(mainControls.drumList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void setStatusLine(WindowHandle mainWindow, const std::wstring& text) {
    SetWindowTextW(GetDlgItem(static_cast<HWND>(mainWindow), kStatusLineId), text.c_str());
}

void startStatusTimer(WindowHandle mainWindow) {
    SetTimer(static_cast<HWND>(mainWindow), kStatusTimerId, kStatusTimerMilliseconds, nullptr);
}

bool overwriteBoxChecked(WindowHandle mainWindow) {
    return SendDlgItemMessageW(static_cast<HWND>(mainWindow), kOverwriteCheckBoxId, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void reportSave(WindowHandle mainWindow, SaveResult result) { showSaveResult(mainWindow, result); }

std::uint16_t userInterfaceLanguage() { return GetUserDefaultUILanguage(); }
