#pragma once

#include <vector>

#include "song/song_data.h"
#include "split/save_command.h"
#include "ui/window_seam.h"

// The track list in format-1 layout, as copies. Several tracks stay as they are.
// A single track is split into its meta and system-exclusive events (always
// present, even empty) followed by one track per channel used, in channel order.
std::vector<Track> convertToFormat1(const std::vector<Track>& tracks);

// Writes the loaded song in format-1 layout to the input's "_F1.mid".
SaveOutcome saveFormat1(WindowHandle mainWindow);
