#include "split/splitter.h"

namespace {

enum class SplitClass { Kept, SoundingNoteOn, Release, OtherDrumEvent };

SplitClass splitClass(const MidiEvent& e) {
    if (!isDrumChannel(e.status) || e.data.empty()) {
        return SplitClass::Kept;
    }
    if (e.status == 0x99 && e.data.size() >= 2) {
        return e.data[1] != 0 ? SplitClass::SoundingNoteOn : SplitClass::Release;
    }
    if (e.status == 0x89) {
        return SplitClass::Release;
    }
    return SplitClass::OtherDrumEvent;
}

// Looks the note up without inserting it; a note the inventory never saw goes to TR4.
DrumTarget destinationOf(const AssignmentMap& assignments, std::uint8_t note) {
    const auto found = assignments.find(note);
    return found == assignments.end() ? TR4 : found->second;
}

void route(const MidiEvent& e, DrumTarget target, SplitResult& result) {
    if (target == TR4 || target == BOTH) {
        result.tr4.push_back(e);
    }
    if (target == TR5 || target == BOTH) {
        result.tr5.push_back(e);
    }
}

}  // namespace

SplitResult splitDrumEvents(const std::vector<Track>& tracks, const AssignmentMap& assignments) {
    SplitResult result;
    result.remaining.reserve(tracks.size());
    PendingNoteMap pending;

    for (std::size_t i = 0; i < tracks.size(); ++i) {
        Track kept;
        for (const MidiEvent& e : tracks[i]) {
            switch (splitClass(e)) {
                case SplitClass::Kept:
                    kept.push_back(e);
                    break;
                case SplitClass::SoundingNoteOn: {
                    const DrumTarget target = destinationOf(assignments, e.data[0]);
                    pending[{i, e.data[0]}].push_back(target);
                    route(e, target, result);
                    break;
                }
                case SplitClass::Release: {
                    DrumTarget target;
                    const auto open = pending.find({i, e.data[0]});
                    if (open != pending.end() && !open->second.empty()) {
                        target = open->second.back();
                        open->second.pop_back();
                    } else {
                        target = destinationOf(assignments, e.data[0]);
                    }
                    route(e, target, result);
                    break;
                }
                case SplitClass::OtherDrumEvent:
                    result.tr4.push_back(e);
                    result.tr5.push_back(e);
                    break;
            }
        }
        result.remaining.push_back(std::move(kept));
    }
    return result;
}

std::size_t drumTrackPosition(const std::vector<Track>& tracks) {
    return isConductorTrack(tracks) ? 4 : 3;
}
