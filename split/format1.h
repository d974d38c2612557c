#pragma once

#include <vector>

#include "smf/smf_writer.h"
#include "song/song_data.h"
#include "split/save_command.h"

// The track list in format-1 layout, as output tracks that refer to the
// tracks' events (so the tracks must outlive it). Several tracks stay as they
// are. A single track gives its meta and system-exclusive events (always, even
// none), then one track per channel used, in channel order.
std::vector<OutputTrack> convertToFormat1(const std::vector<Track>& tracks);
std::vector<OutputTrack> convertToFormat1(std::vector<Track>&& tracks) = delete;

// Writes the loaded song in format-1 layout to the input's "_F1.mid".
SaveOutcome saveFormat1(WindowHandle mainWindow);
