#pragma once

#include <functional>
#include <string>

#include "split/save_seam.h"

// True while the last load succeeded; the save commands do nothing otherwise.
// Set by whichever front end loads songs.
extern bool fileLoaded;

// What a save command did: whether it wrote its output, where it writes
// (empty when there was no song to save), and what the window was told (Failed
// when there was no song to save).
struct SaveOutcome {
    bool written = false;
    std::wstring path;
    SaveResult result = SaveResult::Failed;
};

// The shape of every save command once a song is loaded: `write` builds the
// output and writes it to `path`, and the window is told the outcome,
// `success` or a failure, with its reason where the file replacement gave one
// (song/file_replace.h). A save that does not fit in memory fails as any other.
SaveOutcome runSave(WindowHandle mainWindow, const std::wstring& path, SaveResult success,
                    const std::function<bool()>& write);
