#include "split/format1.h"

#include <array>
#include <new>

#include "split/output_path.h"
#include "split/save_command.h"
#include "ui/texts.h"

std::vector<Track> convertToFormat1(const std::vector<Track>& tracks) {
    if (tracks.size() != 1) {
        return tracks;
    }
    // Bucket 0: meta and system events; bucket c + 1: channel c.
    auto bucketOf = [](const MidiEvent& e) { return e.status >= 0xF0 ? 0 : (e.status & 0x0F) + 1; };
    // Sized first: a single track can hold millions of events.
    std::array<std::size_t, 17> sizes{};
    for (const MidiEvent& event : tracks.front()) {
        ++sizes[bucketOf(event)];
    }
    std::array<Track, 17> buckets;
    for (std::size_t b = 0; b < buckets.size(); ++b) {
        buckets[b].reserve(sizes[b]);
    }
    for (const MidiEvent& event : tracks.front()) {
        buckets[bucketOf(event)].push_back(event);
    }
    std::vector<Track> result;
    result.push_back(std::move(buckets[0]));
    for (std::size_t c = 1; c < buckets.size(); ++c) {
        if (!buckets[c].empty()) {
            result.push_back(std::move(buckets[c]));
        }
    }
    return result;
}

SaveOutcome saveFormat1(WindowHandle mainWindow) {
    if (!fileLoaded) {
        return SaveOutcome();
    }
    const std::wstring path = makeOutputPath(L"_F1.mid");
    try {
        // The loaded tracks need no copy when there is nothing to convert: the writer only reads them.
        if (songData.tracks.size() != 1) {
            return writeAndReport(mainWindow, path, songData.tracks, SortFlags(), kTextSavedFormat1);
        }
        const std::vector<Track> output = convertToFormat1(songData.tracks);
        return writeAndReport(mainWindow, path, output, SortFlags(output.size(), false), kTextSavedFormat1);
    } catch (const std::bad_alloc&) {
        return reportFailedSave(mainWindow, path);  // a save that does not fit in memory fails as any other
    }
}
