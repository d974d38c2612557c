#include "split/split_saves.h"

#include <new>
#include <utility>

#include "drums/drum_inventory.h"
#include "split/format1.h"
#include "split/output_path.h"
#include "split/save_command.h"
#include "ui/texts.h"

namespace {

SortFlags drumTrackFlags(std::size_t trackCount, std::size_t position) {
    SortFlags flags(trackCount, false);
    flags[position] = true;
    flags[position + 1] = true;
    return flags;
}

// The loaded song is only read, so it stays exactly as loaded whatever the
// save does. Each step hands its result on to the next, so every event is
// copied once: a song of several tracks, whose format-1 form is itself, is
// split straight from the loaded tracks; a single track is split in place
// once divided by channel.
SaveOutcome saveSplit(WindowHandle mainWindow, std::vector<Track> (*layout)(SplitResult, std::size_t),
                      const std::wstring& path, int successText) {
    const std::vector<Track>& loaded = songData.tracks;
    try {
        SplitResult split;
        std::size_t position = 0;
        if (loaded.size() == 1) {
            std::vector<Track> converted = convertToFormat1(loaded);
            position = drumTrackPosition(converted);
            split = splitDrumEvents(std::move(converted), assignmentMap);
        } else {
            position = drumTrackPosition(loaded);
            split = splitDrumEvents(loaded, assignmentMap);
        }
        const std::vector<Track> output = layout(std::move(split), position);
        return writeAndReport(mainWindow, path, output, drumTrackFlags(output.size(), position), successText);
    } catch (const std::bad_alloc&) {
        return reportFailedSave(mainWindow, path);  // a save that does not fit in memory fails as any other
    }
}

}  // namespace

std::vector<Track> splitInsertLayout(SplitResult split, std::size_t position) {
    std::vector<Track>& tracks = split.remaining;
    if (tracks.size() < position) {
        tracks.resize(position);
    }
    const auto at = tracks.begin() + static_cast<std::ptrdiff_t>(position);
    tracks.insert(at, 2, Track());
    tracks[position] = std::move(split.tr4);
    tracks[position + 1] = std::move(split.tr5);
    return std::move(tracks);
}

std::vector<Track> splitOverwriteLayout(SplitResult split, std::size_t position) {
    std::vector<Track>& tracks = split.remaining;
    if (tracks.size() < position + 2) {
        tracks.resize(position + 2);
    }
    tracks[position] = std::move(split.tr4);
    tracks[position + 1] = std::move(split.tr5);
    return std::move(tracks);
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
