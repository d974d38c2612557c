#include "split/split_saves.h"

#include <algorithm>

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

// The loaded song is only read: the split works on the converted copy, so the
// song stays exactly as loaded whatever the save does.
void saveSplit(WindowHandle mainWindow, std::vector<Track> (*layout)(const SplitResult&, std::size_t),
               const std::wstring& path, int successText) {
    const std::vector<Track> converted = convertToFormat1(songData.tracks);
    const SplitResult split = splitDrumEvents(converted, assignmentMap);
    const std::size_t position = drumTrackPosition(converted);
    const std::vector<Track> output = layout(split, position);
    writeAndReport(mainWindow, path, output, drumTrackFlags(output.size(), position), successText);
}

}  // namespace

std::vector<Track> splitInsertLayout(const SplitResult& split, std::size_t position) {
    std::vector<Track> output;
    output.reserve(std::max(split.remaining.size(), position) + 2);
    for (std::size_t k = 0; k < position; ++k) {
        output.push_back(k < split.remaining.size() ? split.remaining[k] : Track());
    }
    output.push_back(split.tr4);
    output.push_back(split.tr5);
    for (std::size_t k = position; k < split.remaining.size(); ++k) {
        output.push_back(split.remaining[k]);
    }
    return output;
}

std::vector<Track> splitOverwriteLayout(const SplitResult& split, std::size_t position) {
    std::vector<Track> output = split.remaining;
    if (output.size() < position + 2) {
        output.resize(position + 2);
    }
    output[position] = split.tr4;
    output[position + 1] = split.tr5;
    return output;
}

void saveSplitInsert(WindowHandle mainWindow) {
    if (!fileLoaded) {
        return;
    }
    saveSplit(mainWindow, splitInsertLayout, makeOutputPath(L"_S.mid"), kTextSavedSplitInsert);
}

void saveSplitOverwrite(WindowHandle mainWindow) {
    if (!fileLoaded) {
        return;
    }
    overwriteInput = overwriteBoxChecked(mainWindow);
    if (overwriteInput) {
        saveSplit(mainWindow, splitOverwriteLayout, songData.inputPath, kTextSavedOverInput);
    } else {
        saveSplit(mainWindow, splitOverwriteLayout, makeOutputPath(L"_OW.mid"), kTextSavedSplitOverwrite);
    }
}
