// Shows the main window with a song loaded and a row selected, for a while, so
// that a screenshot can be taken of what a user sees.
//
// Usage: tessaline_window_demo READY_FILE SECONDS
// READY_FILE is created once the song is shown.

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "ui/win32/main_window.h"
#include "window_driver.h"

namespace {

Bytes demoSong() {
    const Bytes end = {0x00, 0xFF, 0x2F, 0x00};
    const Bytes tempo = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
    auto hits = [](std::initializer_list<std::uint8_t> notes) {
        Bytes body;
        for (const std::uint8_t note : notes) {
            body = body + Bytes{0x00, 0x99, note, 100, 0x60, 0x89, note, 0};
        }
        return body;
    };
    const Bytes piano = {0x00, 0x90, 60, 90, 0x60, 0x80, 60, 0};
    return mthd(7) + mtrk(tempo + end) + mtrk(piano + end) + mtrk(hits({35, 36}) + end) +
           mtrk(Bytes{0x00, 0x91, 48, 90, 0x60, 0x81, 48, 0} + end) + mtrk(hits({38, 42, 49, 36}) + end) +
           mtrk(hits({42, 46, 51}) + end) + mtrk(hits({56, 90}) + end);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tessaline_window_demo READY_FILE SECONDS\n");
        return 2;
    }
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    registerMainWindowClass(instance);
    const HWND window = createMainWindow(instance);
    ShowWindow(window, SW_SHOWNORMAL);

    TempDir folder;
    const std::wstring song = folder.file(L"groove.mid");
    writeFileBytes(song, demoSong());
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop({song})), 0);
    SendMessageW(mainControls.drumList, LB_SETCURSEL, 2, 0);
    pumpUntil([] { return false; }, 500);

    std::ofstream(argv[1]) << "ready\n";
    pumpUntil([&] { return !IsWindow(window); }, static_cast<unsigned>(std::atoi(argv[2])) * 1000u);
    if (IsWindow(window)) {
        DestroyWindow(window);
    }
    return 0;
}
