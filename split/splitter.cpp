#include "split/splitter.h"

#include "song/resident_memory.h"

SplitResult splitDrumEvents(const std::vector<Track>& tracks, const AssignmentMap& assignments) {
    SplitResult result;
    const DrumTrackNotes notes = drumTrackNotes(assignments);
    result.tr4Notes = notes.tr4;
    result.tr5Notes = notes.tr5;
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
