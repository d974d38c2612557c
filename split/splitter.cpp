#include "split/splitter.h"

#include "song/resident_memory.h"

SplitResult splitDrumEvents(const std::vector<Track>& tracks, const AssignmentMap& assignments) {
    SplitResult result;
    result.tr4Notes.set();
    for (const auto& [note, target] : assignments) {
        if (note >= 0 && note < 256) {
            result.tr4Notes[std::size_t(note)] = target != TR5;
            result.tr5Notes[std::size_t(note)] = target != TR4;
        }
    }
    // Counted first, so that the list is not grown by copying: it can hold a large share of the song.
    std::size_t count = 0;
    for (const Track& track : tracks) {
        for (const MidiEvent& e : track) {
            count += isDrumChannelEvent(e);
        }
    }
    reserveResident(result.drums, count);
    for (const Track& track : tracks) {
        for (const MidiEvent& e : track) {
            if (isDrumChannelEvent(e)) {
                result.drums.push_back(&e);
            }
        }
    }
    return result;
}

std::size_t drumTrackPosition(const std::vector<Track>& tracks) {
    return isConductorTrack(tracks) ? 4 : 3;
}
