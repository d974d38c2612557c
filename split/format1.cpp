#include "split/format1.h"

#include <bitset>

#include "split/output_path.h"
#include "split/save_command.h"

std::vector<OutputTrack> convertToFormat1(const std::vector<Track>& tracks) {
    std::vector<OutputTrack> result;
    result.reserve(tracks.size());
    for (const Track& track : tracks) {
        result.push_back(trackPart(track));
    }
    if (tracks.size() != 1) {
        return result;
    }
    std::bitset<16> used;
    for (const MidiEvent& event : tracks.front()) {
        if (isChannelMessage(event.status)) {
            used.set(event.status & 0x0F);
        }
    }
    result.front().part = kMetaAndSystem;
    for (int channel = 0; channel < 16; ++channel) {
        if (used[std::size_t(channel)]) {
            result.push_back(trackPart(tracks.front(), channel));
        }
    }
    return result;
}

SaveOutcome saveFormat1(WindowHandle mainWindow) {
    if (!fileLoaded) {
        return SaveOutcome();
    }
    const std::wstring path = makeOutputPath(L"_F1.mid");
    return runSave(mainWindow, path, SaveResult::SavedFormat1,
                   [&path] { return writeSmfFile(path, convertToFormat1(songData.tracks)); });
}
