#pragma once

#include <string>
#include <vector>

#include "smf/smf_writer.h"
#include "song/song_data.h"
#include "ui/window_seam.h"

// True while the last load succeeded; the save commands do nothing otherwise.
// Set by whichever front end loads songs.
extern bool fileLoaded;

// The end of every save command: writes the output and, only if that worked,
// shows the command's success text and starts the status timer. A failed write
// is silent. Returns whether the file was written.
bool writeAndReport(WindowHandle mainWindow, const std::wstring& path, const std::vector<Track>& tracks,
                    const SortFlags& sortFlags, int successText);
