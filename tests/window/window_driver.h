#pragma once

// Drives the real main window from inside the test process: the window is
// created exactly as the program creates it, and the tests send it the
// messages that the shell, the mouse and the keyboard would.

#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "support/smf_builder.h"
#include "support/temp_dir.h"
#include "ui/drum_row.h"
#include "ui/layout.h"

// A song whose drums sit in tracks 2, 4 and 5 after a conductor track, so that
// its rows propose every destination:
//   row 0: note 36, label "2",   TR4
//   row 1: note 38, label "4",   TR4
//   row 2: note 42, label "4,5", BOTH
//   row 3: note 46, label "5",   TR5
Bytes drumSong();
inline constexpr int kDrumSongRows = 4;

// All drums in track 1, so all proposed for TR4, and clashing: 36 with 38 on
// three ticks, 36 with 42 on two, 38 with 42 on one.
Bytes clashingSong();

// Note 36 in tracks 4 to 12: a label too long for its cell.
Bytes songWithALongLabel();

// A song with notes but no drum note.
Bytes songWithoutDrums();

// Bytes that are no MIDI file at all.
Bytes notMidi();

// An HDROP as the shell makes it, with wide paths; the window releases it.
HDROP makeDrop(const std::vector<std::wstring>& paths);

// Handles whatever is queued for this thread.
void pumpMessages();

// Pumps until `done` holds or `timeoutMs` has passed; returns `done()`.
bool pumpUntil(const std::function<bool()>& done, unsigned timeoutMs);

std::wstring windowText(HWND window);

// The child's rectangle in its parent's client coordinates.
Rect childRect(HWND child);

// Pixels of a control's client area, rendered by the control itself.
struct Rendering {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first

    Rgb at(int x, int y) const;
};
Rendering renderClient(HWND control);

// A picture the size of `control`'s client area, drawn by `draw` on a memory
// context that holds the client rectangle.
Rendering renderClientWith(HWND control, const std::function<void(HDC, const RECT&)>& draw);

Rgb toRgb(COLORREF colour);

// What happened to the popup menu that an action opened.
struct MenuOutcome {
    bool shown = false;
    RECT screenRect{};    // where the menu window stood
    bool timedOut = false;  // the watchdog had to close it
};

// Runs `action` and answers the popup menu it opens: item `item` (1-based)
// chosen with the arrow keys and Enter, or, with item 0, dismissed.
MenuOutcome answerMenu(int item, const std::function<void()>& action);

// The 0-based indexes of the tracks of `song` that hold note-ons of drum note `note`.
std::set<std::size_t> tracksWithDrumNote(const SongData& song, int note);

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HWND control(int id) const;
    std::wstring text(int id) const;
    bool enabled(int id) const;
    bool checked(int id) const;
    HWND list() const;

    // Writes `bytes` to `name` in the test's folder and returns its full path.
    std::wstring writeSong(const std::wstring& name, const Bytes& bytes) const;
    void drop(const std::vector<std::wstring>& paths);
    void dropSong(const std::wstring& name = L"song.mid", const Bytes& bytes = drumSong());

    // BM_CLICK: the control gets the mouse click and tells its parent.
    void click(int id);

    // The list's row as the user sees it: its centre in list client coordinates.
    POINT rowCentre(int row) const;
    void selectRow(int row);
    void doubleClickRow(int row);
    // A right button click on the list at a point of its client area.
    void rightClickList(POINT client);
    int selectedRow() const;
    DrumTarget targetOfRow(int row);

    // Gives the main window a client area of `width` by `height`. The system's
    // minimum window size is lifted, so any size can be tried.
    void setClientSize(int width, int height);

    HWND window = nullptr;
    TempDir folder;
};
