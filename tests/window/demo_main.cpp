// Shows the main window with the demo groove loaded and a row selected, for a
// while, so that a screenshot can be taken of what a user sees: the drum list
// with its clash counts.
//
// Usage: tessaline_window_demo READY_FILE SECONDS [auto]
// READY_FILE is created once the song is shown. With "auto", the hi-hat is
// played a little late here and there, as a drummer would, and kick, snare
// and hi-hat are on AUTO: the rows show how their hits went and the near clashes.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "examples/groove.h"
#include "smf/smf_writer.h"
#include "ui/clash_view.h"
#include "ui/status_line.h"
#include "ui/win32/main_window.h"
#include "window_driver.h"

namespace {

constexpr std::uint8_t kClosedHiHat = 42;

// The demo groove of `make demo`, written as make-groove writes it; humanized,
// every third closed hi-hat a few ticks late.
std::wstring writeGroove(const TempDir& folder, bool humanized) {
    const std::wstring path = folder.file(L"groove.mid");
    songData.division = kGrooveDivision;
    std::vector<Track> tracks = demoGroove();
    std::size_t hiHats = 0;
    for (Track& track : tracks) {
        for (MidiEvent& e : track) {
            if (humanized && isDrumNoteEvent(e) && e.data[0] == kClosedHiHat && isNoteStart(e) && hiHats++ % 3 == 0) {
                e.tick += 6;
            }
        }
    }
    writeSmfFile(path, tracks, SortFlags(tracks.size(), true));
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 4 && std::strcmp(argv[3], "auto") == 0)) {
        std::fprintf(stderr, "usage: tessaline_window_demo READY_FILE SECONDS [auto]\n");
        return 2;
    }
    const bool routed = argc == 4;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    registerMainWindowClass(instance);
    const HWND window = createMainWindow(instance);
    ShowWindow(window, SW_SHOWNORMAL);

    TempDir folder;
    const std::wstring song = writeGroove(folder, routed);
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop({song})), 0);
    SendMessageW(mainControls.drumList, LB_SETCURSEL, 2, 0);
    if (routed) {
        for (const std::int32_t note : {36, 38, int(kClosedHiHat)}) {
            assignmentMap[note] = AUTO;
        }
        recountClashes();
        showClashTotals(window);
        InvalidateRect(mainControls.drumList, nullptr, FALSE);
    }
    pumpUntil([] { return false; }, 500);

    std::ofstream(argv[1]) << "ready\n";
    pumpUntil([&] { return !IsWindow(window); }, static_cast<unsigned>(std::atoi(argv[2])) * 1000u);
    if (IsWindow(window)) {
        DestroyWindow(window);
    }
    return 0;
}
