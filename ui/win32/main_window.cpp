#include "ui/win32/main_window.h"

#include <shellapi.h>

#include <string>

#include "song/file_path.h"
#include "song/smf_reader.h"
#include "split/format1.h"
#include "split/output_path.h"
#include "split/save_command.h"
#include "split/split_saves.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/drum_list_view.h"
#include "ui/clash_view.h"
#include "ui/input_label.h"
#include "ui/layout.h"
#include "ui/status_line.h"
#include "ui/texts.h"
#include "ui/window_seam.h"

MainWindowControls mainControls;

namespace {

// Every control starts at 0, 0 with no size: the WM_SIZE that follows creation
// places them all.
HWND createControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id) {
    return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

void enableSaveButtons(BOOL enable) {
    EnableWindow(mainControls.splitInsertButton, enable);
    EnableWindow(mainControls.splitOverwriteButton, enable);
    EnableWindow(mainControls.format1Button, enable);
}

void moveControl(HWND control, const Rect& rect) {
    MoveWindow(control, rect.x, rect.y, rect.width, rect.height, TRUE);
}

// The drop handle can hold paths of any length: the buffer is sized from the
// length the handle reports, so a long path is loaded whole, never cut.
std::wstring firstDroppedPath(HDROP drop) {
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring path(length, L'\0');
    if (length > 0) {
        DragQueryFileW(drop, 0, path.data(), length + 1);
    }
    return path;
}

// Points out in the status line the copy of a song that a save cut short left
// beside `path`, if there is one, for the user to recover the song from. True
// when there is.
bool showLeftSideCopy(HWND window, const std::wstring& path) {
    const std::wstring copy = leftSideCopy(path);
    if (!copy.empty()) {
        setStatusLine(window, sideCopyLeftText(droppedFileName(copy)));
    }
    return !copy.empty();
}

// A failed save whose output has a side copy beside it (one that stopped the
// save, or one that the save had to leave) points it out until the next
// action, rather than for the status timer's three seconds: the copy stays
// until the user sees to it.
void pointOutSideCopyAfter(HWND window, const SaveOutcome& outcome) {
    if (!outcome.written && !outcome.path.empty() && showLeftSideCopy(window, outcome.path)) {
        KillTimer(window, kStatusTimerId);
    }
}

void onCreate(HWND window) {
    selectUiLanguage();
    mainControls.drumList = createControl(window, L"LISTBOX", nullptr,
                                          WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED, kDrumListId);
    mainControls.splitInsertButton =
        createControl(window, L"BUTTON", uiText(kTextSplitInsertButton), BS_PUSHBUTTON, kSplitInsertButtonId);
    mainControls.splitOverwriteButton =
        createControl(window, L"BUTTON", uiText(kTextSplitOverwriteButton), BS_PUSHBUTTON, kSplitOverwriteButtonId);
    mainControls.format1Button =
        createControl(window, L"BUTTON", uiText(kTextFormat1Button), BS_PUSHBUTTON, kFormat1ButtonId);
    mainControls.overwriteCheckBox = createControl(window, L"BUTTON", uiText(kTextOverwriteCheckBox),
                                                   WS_CLIPSIBLINGS | BS_AUTOCHECKBOX, kOverwriteCheckBoxId);
    mainControls.statusLine =
        createControl(window, L"STATIC", uiText(kTextDropPrompt), SS_CENTER | SS_CENTERIMAGE, kStatusLineId);
    mainControls.inputFileLabel =
        createControl(window, L"STATIC", uiText(kTextNoInputFile), SS_LEFT | SS_CENTERIMAGE, kInputFileLabelId);
    enableSaveButtons(FALSE);
    DragAcceptFiles(window, TRUE);
}

void onSize(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const MainLayout layout = computeLayout(client.right - client.left, client.bottom - client.top);
    moveControl(mainControls.drumList, layout.drumList);
    moveControl(mainControls.inputFileLabel, layout.inputFileLabel);
    moveControl(mainControls.statusLine, layout.statusLine);
    moveControl(mainControls.overwriteCheckBox, layout.overwriteCheckBox);
    moveControl(mainControls.splitInsertButton, layout.splitInsertButton);
    moveControl(mainControls.splitOverwriteButton, layout.splitOverwriteButton);
    moveControl(mainControls.format1Button, layout.format1Button);
}

void onCommand(HWND window, int controlId, int notification) {
    switch (controlId) {
        // A save command does nothing while no song is loaded.
        case kSplitInsertButtonId:
            pointOutSideCopyAfter(window, saveSplitInsert(window));
            break;
        case kSplitOverwriteButtonId:
            pointOutSideCopyAfter(window, saveSplitOverwrite(window));
            break;
        case kFormat1ButtonId:
            pointOutSideCopyAfter(window, saveFormat1(window));
            break;
        case kOverwriteCheckBoxId:
            overwriteInput = SendMessageW(mainControls.overwriteCheckBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
            break;
        default:
            break;
    }
    // Notification codes are per control class: LBN_DBLCLK is 2, as is a
    // button's BN_HILITE, so the list is asked for by its identifier.
    if (controlId == kDrumListId && notification == LBN_DBLCLK) {
        cycleSelectedTarget(window);
    }
    if (controlId == kDrumListId && notification == LBN_SELCHANGE) {
        showSelectedClashPlaces(window);
    }
}

void onTimer(HWND window) {
    setStatusLine(window, restingStatusText());
    KillTimer(window, kStatusTimerId);
}

void onDropFiles(HWND window, HDROP drop) {
    const std::wstring path = firstDroppedPath(drop);
    DragFinish(drop);
    fileLoaded = loadSong(path);
    enableSaveButtons(fileLoaded ? TRUE : FALSE);
    if (fileLoaded) {
        takeLoadedSong();
        setStatusLine(window, restingStatusText());
        SetWindowTextW(mainControls.inputFileLabel, loadedInputLabel(path).c_str());
    } else {
        setStatusLine(window, uiText(kTextLoadFailed));
        SetWindowTextW(mainControls.inputFileLabel, failedInputLabel().c_str());
    }
    // Said over either: a song damaged by a save cut short may be why it failed.
    showLeftSideCopy(window, path);
}

}  // namespace

void registerMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kWindowClassName;
    RegisterClassExW(&windowClass);
}

HWND createMainWindow(HINSTANCE instance) {
    return CreateWindowExW(0, kWindowClassName, kWindowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                           100, 100, 760, 560, nullptr, nullptr, instance, nullptr);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            onCreate(window);
            break;
        case WM_SIZE:
            onSize(window);
            break;
        case WM_COMMAND:
            onCommand(window, LOWORD(wParam), HIWORD(wParam));
            break;
        case WM_TIMER:
            onTimer(window);
            break;
        case WM_DROPFILES:
            onDropFiles(window, reinterpret_cast<HDROP>(wParam));
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            break;
        case WM_MEASUREITEM:
            onMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_DRAWITEM:
            onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CONTEXTMENU:
            onContextMenu(window, reinterpret_cast<HWND>(wParam), lParam);
            break;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
