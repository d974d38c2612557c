#include "split/split_saves.h"

#include <new>
#include <utility>

#include "drums/drum_inventory.h"
#include "split/format1.h"
#include "split/output_path.h"
#include "split/save_command.h"
#include "ui/texts.h"

namespace {

OutputTrack drumTrack(EventRefs events) { return OutputTrack{.listed = std::move(events), .ordered = true}; }

// The loaded song is only read: the output refers to its events, and writes
// each track of its format-1 form without the events the split takes.
SaveOutcome saveSplit(WindowHandle mainWindow,
                      std::vector<OutputTrack> (*layout)(std::vector<OutputTrack>, SplitResult, std::size_t),
                      const std::wstring& path, int successText) {
    const std::vector<Track>& loaded = songData.tracks;
    try {
        std::vector<OutputTrack> rest = convertToFormat1(loaded);
        for (OutputTrack& track : rest) {
            track.leaves = isTakenBySplit;
        }
        // A single track's format-1 form begins with its meta and system events
        // alone: a conductor track.
        const std::size_t position = loaded.size() == 1 ? 4 : drumTrackPosition(loaded);
        return writeAndReport(mainWindow, path, layout(std::move(rest), splitDrumEvents(loaded, assignmentMap), position),
                              successText);
    } catch (const std::bad_alloc&) {
        return reportFailedSave(mainWindow, path);  // a save that does not fit in memory fails as any other
    }
}

}  // namespace

std::vector<OutputTrack> splitInsertLayout(std::vector<OutputTrack> rest, SplitResult split, std::size_t position) {
    if (rest.size() < position) {
        rest.resize(position);
    }
    const auto at = rest.begin() + static_cast<std::ptrdiff_t>(position);
    rest.insert(at, 2, OutputTrack());
    rest[position] = drumTrack(std::move(split.tr4));
    rest[position + 1] = drumTrack(std::move(split.tr5));
    return rest;
}

std::vector<OutputTrack> splitOverwriteLayout(std::vector<OutputTrack> rest, SplitResult split, std::size_t position) {
    if (rest.size() < position + 2) {
        rest.resize(position + 2);
    }
    rest[position] = drumTrack(std::move(split.tr4));
    rest[position + 1] = drumTrack(std::move(split.tr5));
    return rest;
}

SaveOutcome saveSplitInsert(WindowHandle mainWindow) {
    if (!fileLoaded) {
        return SaveOutcome();
    }
    return saveSplit(mainWindow, splitInsertLayout, makeOutputPath(L"_S.mid"), kTextSavedSplitInsert);
}

SaveOutcome saveSplitOverwrite(WindowHandle mainWindow) {
    if (!fileLoaded) {
        return SaveOutcome();
    }
    overwriteInput = overwriteBoxChecked(mainWindow);
    if (overwriteInput) {
        return saveSplit(mainWindow, splitOverwriteLayout, songData.inputPath, kTextSavedOverInput);
    }
    return saveSplit(mainWindow, splitOverwriteLayout, makeOutputPath(L"_OW.mid"), kTextSavedSplitOverwrite);
}
