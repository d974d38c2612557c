#pragma once

#include <vector>

#include "smf/smf_writer.h"
#include "song/song_data.h"
#include "split/save_command.h"
#include "split/splitter.h"

// The output track lists of the two split saves, from the format-1 form of the
// song without its drum events (`rest`), the split, and the drum tracks'
// position P (TR4 at P, TR5 at P + 1). The drum tracks hold the split's drum
// events in the order of its list, which the saves put in time order first;
// they refer to the split, which must outlive them.

// The drum tracks inserted before track P: nothing of the song is lost.
std::vector<OutputTrack> splitInsertLayout(std::vector<OutputTrack> rest, const SplitResult& split,
                                           std::size_t position);

// The drum tracks in place of tracks P and P + 1, whose other events are dropped.
std::vector<OutputTrack> splitOverwriteLayout(std::vector<OutputTrack> rest, const SplitResult& split,
                                              std::size_t position);

// Writes the loaded song with its drums split and inserted, to "_S.mid".
SaveOutcome saveSplitInsert(WindowHandle mainWindow);

// Writes the loaded song with its drums split over tracks 4 and 5, to "_OW.mid",
// or over the input file itself while the overwrite box is ticked.
SaveOutcome saveSplitOverwrite(WindowHandle mainWindow);
