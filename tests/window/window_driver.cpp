#include "window_driver.h"

#include <shlobj.h>

#include "drums/drum_inventory.h"
#include "song/song_data.h"
#include "split/output_path.h"
#include "split/hit_routing.h"
#include "split/save_command.h"
#include "ui/win32/main_window.h"

namespace {

Bytes noteOnOff(std::uint8_t channelStatus, std::uint8_t note) {
    return {0x00, std::uint8_t(0x90 | channelStatus), note, 100, 0x60, std::uint8_t(0x80 | channelStatus), note, 0};
}

}  // namespace

Bytes drumSong() {
    const Bytes tempo = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
    return mthd(6) + mtrk(tempo + kEndOfTrack) + mtrk(noteOnOff(0, 60) + kEndOfTrack) +
           mtrk(noteOnOff(9, 36) + kEndOfTrack) + mtrk(noteOnOff(1, 64) + kEndOfTrack) +
           mtrk(noteOnOff(9, 38) + noteOnOff(9, 42) + kEndOfTrack) +
           mtrk(noteOnOff(9, 42) + noteOnOff(9, 46) + kEndOfTrack);
}

Bytes clashingSong() {
    Bytes hits;
    for (const auto& [a, b] : {std::pair{36, 38}, {36, 38}, {36, 38}, {36, 42}, {36, 42}, {38, 42}}) {
        hits = hits + Bytes{0x60, 0x99, std::uint8_t(a), 100, 0x00, 0x99, std::uint8_t(b), 100};
    }
    return mthd(1, 480, 0) + mtrk(hits + kEndOfTrack);
}

Bytes songWithALongLabel() {
    Bytes song = mthd(12);
    for (int track = 1; track <= 12; ++track) {
        song = song + mtrk((track >= 4 ? noteOnOff(9, 36) : noteOnOff(0, 60)) + kEndOfTrack);
    }
    return song;
}

Bytes songWithoutDrums() { return mthd(1, 480, 0) + mtrk(noteOnOff(0, 60) + kEndOfTrack); }

Bytes notMidi() { return {'R', 'I', 'F', 'F', 0, 0, 0, 0}; }

HDROP makeDrop(const std::vector<std::wstring>& paths) {
    std::size_t units = 1;  // the final NUL
    for (const std::wstring& path : paths) {
        units += path.size() + 1;
    }
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + units * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    wchar_t* out = reinterpret_cast<wchar_t*>(header + 1);
    for (const std::wstring& path : paths) {
        out = std::copy(path.begin(), path.end(), out);
        *out++ = L'\0';
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool pumpUntil(const std::function<bool()>& done, unsigned timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done() && GetTickCount64() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        pumpMessages();
    }
    return done();
}

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)), L'\0');
    GetWindowTextW(window, text.data(), static_cast<int>(text.size()) + 1);
    return text;
}

Rect childRect(HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

Rgb Rendering::at(int x, int y) const {
    const std::uint32_t pixel = pixels[static_cast<std::size_t>(y * width + x)];
    return {std::uint8_t(pixel >> 16), std::uint8_t(pixel >> 8), std::uint8_t(pixel)};
}

Rendering renderClientWith(HWND control, const std::function<void(HDC, const RECT&)>& draw) {
    RECT client;
    GetClientRect(control, &client);
    Rendering rendering;
    rendering.width = client.right;
    rendering.height = client.bottom;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = rendering.width;
    info.bmiHeader.biHeight = -rendering.height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    draw(dc, client);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    rendering.pixels.assign(first, first + rendering.width * rendering.height);
    for (std::uint32_t& pixel : rendering.pixels) {
        pixel &= 0xFFFFFF;
    }
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return rendering;
}

Rendering renderClient(HWND control) {
    return renderClientWith(control, [control](HDC dc, const RECT&) {
        SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    });
}

Rgb toRgb(COLORREF colour) { return {GetRValue(colour), GetGValue(colour), GetBValue(colour)}; }

namespace {

struct MenuScript {
    int item = 0;
    bool answered = false;
    MenuOutcome outcome;
};

MenuScript* activeMenuScript = nullptr;

HWND visibleMenuWindow() {
    HWND menu = nullptr;
    while ((menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) != nullptr) {
        if (IsWindowVisible(menu)) {
            return menu;
        }
    }
    return nullptr;
}

// Thread timers keep firing inside the menu's modal loop.
void CALLBACK answerOpenMenu(HWND, UINT, UINT_PTR, DWORD) {
    MenuScript* script = activeMenuScript;
    if (script == nullptr || script->answered) {
        return;
    }
    const HWND menu = visibleMenuWindow();
    if (menu == nullptr) {
        return;
    }
    script->answered = true;
    script->outcome.shown = true;
    GetWindowRect(menu, &script->outcome.screenRect);
    if (script->item == 0) {
        EndMenu();
        return;
    }
    for (int i = 0; i < script->item; ++i) {
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    }
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}

// A menu that the script failed to answer must not hang the run.
void CALLBACK closeStuckMenu(HWND, UINT, UINT_PTR, DWORD) {
    if (activeMenuScript != nullptr) {
        activeMenuScript->outcome.timedOut = true;
    }
    EndMenu();
}

}  // namespace

MenuOutcome answerMenu(int item, const std::function<void()>& action) {
    MenuScript script;
    script.item = item;
    activeMenuScript = &script;
    const UINT_PTR poll = SetTimer(nullptr, 0, 30, answerOpenMenu);
    const UINT_PTR watchdog = SetTimer(nullptr, 0, 3000, closeStuckMenu);
    action();
    KillTimer(nullptr, poll);
    KillTimer(nullptr, watchdog);
    activeMenuScript = nullptr;
    return script.outcome;
}

std::set<std::size_t> tracksWithDrumNote(const SongData& song, int note) {
    std::set<std::size_t> found;
    for (std::size_t i = 0; i < song.tracks.size(); ++i) {
        for (const MidiEvent& event : song.tracks[i]) {
            if (isDrumChannel(event.status) && isNoteStart(event) && event.data[0] == note) {
                found.insert(i);
            }
        }
    }
    return found;
}

void MainWindowTest::SetUp() {
    fileLoaded = false;
    overwriteInput = false;
    songData = SongData{};
    drumNoteList.clear();
    assignmentMap.clear();
    trackLabelMap.clear();
    nearWindow = NearWindow();

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    registerMainWindowClass(instance);
    window = createMainWindow(instance);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    pumpMessages();
}

void MainWindowTest::TearDown() {
    if (window != nullptr) {
        DestroyWindow(window);
    }
    // WM_DESTROY posted WM_QUIT; left in the queue it would close the next
    // test's popup menus at once.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_QUIT) {
            DispatchMessageW(&message);
        }
    }
}

HWND MainWindowTest::control(int id) const { return GetDlgItem(window, id); }

std::wstring MainWindowTest::text(int id) const { return windowText(control(id)); }

bool MainWindowTest::enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }

bool MainWindowTest::checked(int id) const { return SendMessageW(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

HWND MainWindowTest::list() const { return mainControls.drumList; }

std::wstring MainWindowTest::writeSong(const std::wstring& name, const Bytes& bytes) const {
    const std::wstring path = folder.file(name);
    writeFileBytes(path, bytes);
    return path;
}

void MainWindowTest::drop(const std::vector<std::wstring>& paths) {
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop(paths)), 0);
}

void MainWindowTest::dropSong(const std::wstring& name, const Bytes& bytes) { drop({writeSong(name, bytes)}); }

void MainWindowTest::click(int id) { SendMessageW(control(id), BM_CLICK, 0, 0); }

POINT MainWindowTest::rowCentre(int row) const {
    RECT rect{};
    SendMessageW(list(), LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void MainWindowTest::selectRow(int row) {
    const POINT point = rowCentre(row);
    SendMessageW(list(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    SendMessageW(list(), WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
}

void MainWindowTest::doubleClickRow(int row) {
    selectRow(row);
    const POINT point = rowCentre(row);
    SendMessageW(list(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    SendMessageW(list(), WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
}

void MainWindowTest::rightClickList(POINT client) {
    SendMessageW(list(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(client.x, client.y));
    SendMessageW(list(), WM_RBUTTONUP, 0, MAKELPARAM(client.x, client.y));
}

int MainWindowTest::selectedRow() const { return static_cast<int>(SendMessageW(list(), LB_GETCURSEL, 0, 0)); }

DrumTarget MainWindowTest::targetOfRow(int row) {
    return assignmentMap.at(drumNoteList.at(static_cast<std::size_t>(row)));
}

namespace {

WNDPROC mainWindowProcedure = nullptr;

// Lets the window be made smaller than the system's minimum tracking size.
LRESULT CALLBACK withoutMinimumSize(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcW(mainWindowProcedure, window, message, wParam, lParam);
    if (message == WM_GETMINMAXINFO) {
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {0, 0};
    }
    return result;
}

}  // namespace

void MainWindowTest::setClientSize(int width, int height) {
    if (GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(withoutMinimumSize)) {
        mainWindowProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(withoutMinimumSize)));
    }
    RECT outer{0, 0, width, height};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(window, &client);
    ASSERT_EQ(client.right, width) << "the window could not be given that client width";
    ASSERT_EQ(client.bottom, height);
}
