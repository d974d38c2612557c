#include "split/split_saves.h"

#include <utility>

#include "drums/drum_inventory.h"
#include "smf/event_order.h"
#include "split/format1.h"
#include "split/hit_routing.h"
#include "split/output_path.h"
#include "split/save_command.h"

namespace {

void placeDrumTracks(std::vector<OutputTrack>& tracks, const SplitResult& split, std::size_t position) {
    if (split.routed) {
        const std::bitset<256> all = std::bitset<256>().set();
        tracks[position] = drumTrack(split.tr4Events, all);
        tracks[position + 1] = drumTrack(split.tr5Events, all);
        return;
    }
    tracks[position] = drumTrack(split.drums, split.tr4Notes);
    tracks[position + 1] = drumTrack(split.drums, split.tr5Notes);
}

using Layout = std::vector<OutputTrack> (*)(std::vector<OutputTrack>, const SplitResult&, std::size_t);

// The loaded song is only read: the output refers to its events. The drum
// events are put in time order once, for both drum tracks.
bool writeSplit(Layout layout, const std::wstring& path) {
    const std::vector<Track>& loaded = songData.tracks;
    std::vector<OutputTrack> rest = convertToFormat1(loaded);
    for (OutputTrack& track : rest) {
        track.withoutDrumEvents = true;
    }
    SplitResult split = splitDrumEvents(loaded, assignmentMap);
    orderEvents(split.drums);
    routeHitsOfSplit(split, loaded, assignmentMap, nearWindowTicks(nearWindow, songData.division));
    // A single track's format-1 form begins with its meta and system events
    // alone: a conductor track.
    const std::size_t position = loaded.size() == 1 ? 4 : drumTrackPosition(loaded);
    return writeSmfFile(path, layout(std::move(rest), split, position));
}

SaveOutcome saveSplit(WindowHandle mainWindow, Layout layout, const std::wstring& path, SaveResult success) {
    return runSave(mainWindow, path, success, [layout, &path] { return writeSplit(layout, path); });
}

}  // namespace

std::vector<OutputTrack> splitInsertLayout(std::vector<OutputTrack> rest, const SplitResult& split,
                                           std::size_t position) {
    if (rest.size() < position) {
        rest.resize(position);
    }
    rest.insert(rest.begin() + static_cast<std::ptrdiff_t>(position), 2, OutputTrack());
    placeDrumTracks(rest, split, position);
    return rest;
}

std::vector<OutputTrack> splitOverwriteLayout(std::vector<OutputTrack> rest, const SplitResult& split,
                                              std::size_t position) {
    if (rest.size() < position + 2) {
        rest.resize(position + 2);
    }
    placeDrumTracks(rest, split, position);
    return rest;
}

SaveOutcome saveSplitInsert(WindowHandle mainWindow) {
    if (!fileLoaded) {
        return SaveOutcome();
    }
    return saveSplit(mainWindow, splitInsertLayout, makeOutputPath(L"_S.mid"), SaveResult::SavedSplitInsert);
}

SaveOutcome saveSplitOverwrite(WindowHandle mainWindow) {
    if (!fileLoaded) {
        return SaveOutcome();
    }
    overwriteInput = overwriteBoxChecked(mainWindow);
    if (overwriteInput) {
        return saveSplit(mainWindow, splitOverwriteLayout, songData.inputPath, SaveResult::SavedOverInput);
    }
    return saveSplit(mainWindow, splitOverwriteLayout, makeOutputPath(L"_OW.mid"), SaveResult::SavedSplitOverwrite);
}
