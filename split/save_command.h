#pragma once

#include <string>
#include <vector>

#include "smf/smf_writer.h"
#include "song/song_data.h"
#include "ui/window_seam.h"

// True while the last load succeeded; the save commands do nothing otherwise.
// Set by whichever front end loads songs.
extern bool fileLoaded;

// What a save command did: whether it wrote its output, and where it writes
// (empty when there was no song to save).
struct SaveOutcome {
    bool written = false;
    std::wstring path;
};

// The end of a save command that wrote nothing: "Save failed." and the status
// timer. Also for a save whose memory ran out before it could write.
SaveOutcome reportFailedSave(WindowHandle mainWindow, const std::wstring& path);

// The end of every save command: writes the output, shows the command's
// success text or, if nothing was written, "Save failed.", and starts the
// status timer that puts the resting text back.
SaveOutcome writeAndReport(WindowHandle mainWindow, const std::wstring& path, const std::vector<OutputTrack>& tracks,
                           int successText);
