#include "split/splitter.h"

bool isTakenBySplit(const MidiEvent& e) { return isDrumChannel(e.status) && !e.data.empty(); }

bool goesTo(const MidiEvent& e, DrumTarget drumTrack, const SplitResult& split) {
    if (!isNoteStart(e) && !isRelease(e)) {
        return true;
    }
    const DrumTarget target = split.destinations[e.data[0]];
    return target == drumTrack || target == BOTH;
}

SplitResult splitDrumEvents(const std::vector<Track>& tracks, const AssignmentMap& assignments) {
    SplitResult result;
    // Looked up once per split rather than once per event; nothing is inserted into the map.
    result.destinations.fill(TR4);
    for (const auto& [note, target] : assignments) {
        if (note >= 0 && note < 256) {
            result.destinations[std::size_t(note)] = target;
        }
    }
    // Counted first, so that the list is not grown by copying: it can hold a large share of the song.
    std::size_t count = 0;
    for (const Track& track : tracks) {
        for (const MidiEvent& e : track) {
            count += isTakenBySplit(e);
        }
    }
    result.drums.reserve(count);
    for (const Track& track : tracks) {
        for (const MidiEvent& e : track) {
            if (isTakenBySplit(e)) {
                result.drums.push_back(&e);
            }
        }
    }
    return result;
}

std::size_t drumTrackPosition(const std::vector<Track>& tracks) {
    return isConductorTrack(tracks) ? 4 : 3;
}
