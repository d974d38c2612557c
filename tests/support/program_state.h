#pragma once

#include "drums/drum_inventory.h"
#include "song/song_data.h"
#include "split/output_path.h"
#include "split/save_command.h"
#include "ui/clash_view.h"
#include "ui/texts.h"
#include "ui/window_headless.h"

// Every process-global of the program as at start, English texts chosen: each
// test that loads or saves begins from here, whatever ran before it.
inline void resetProgramState() {
    songData = SongData();
    assignmentMap.clear();
    drumNoteList.clear();
    trackLabelMap.clear();
    loadedDrumTicks = DrumTicks();
    loadedMeters = MeterMap();
    proposedDestinations.clear();
    shownRouting = HitRouting();
    shownClashes = ClashCounts();
    nearWindow = NearWindow();
    headlessWindow = HeadlessWindow();
    activeTexts = &englishTexts;
    fileLoaded = false;
    overwriteInput = false;
}
