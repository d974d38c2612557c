// Shows the main window with the demo groove loaded and a row selected, for a
// while, so that a screenshot can be taken of what a user sees: the drum list
// with its clash counts.
//
// Usage: tessaline_window_demo READY_FILE SECONDS
// READY_FILE is created once the song is shown.

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "examples/groove.h"
#include "smf/smf_writer.h"
#include "ui/win32/main_window.h"
#include "window_driver.h"

namespace {

// The demo groove of `make demo`, written as make-groove writes it.
std::wstring writeGroove(const TempDir& folder) {
    const std::wstring path = folder.file(L"groove.mid");
    songData.division = kGrooveDivision;
    const std::vector<Track> tracks = demoGroove();
    writeSmfFile(path, tracks, SortFlags(tracks.size(), true));
    return path;
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
    const std::wstring song = writeGroove(folder);
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
