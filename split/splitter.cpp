#include "split/splitter.h"

namespace {

enum class SplitClass { Kept, SoundingNoteOn, Release, OtherDrumEvent };

SplitClass splitClass(const MidiEvent& e) {
    if (!isTakenBySplit(e)) {
        return SplitClass::Kept;
    }
    if (isNoteStart(e)) {
        return SplitClass::SoundingNoteOn;
    }
    return isRelease(e) ? SplitClass::Release : SplitClass::OtherDrumEvent;
}

// The destination of every note number, looked up once per save rather than
// once per event. A note the inventory never saw goes to TR4; nothing is
// inserted into the assignments.
std::array<DrumTarget, 256> destinationTable(const AssignmentMap& assignments) {
    std::array<DrumTarget, 256> table;
    table.fill(TR4);
    for (const auto& [note, target] : assignments) {
        if (note >= 0 && note < 256) {
            table[std::size_t(note)] = target;
        }
    }
    return table;
}

// Sizes the drum tracks exactly: they can hold a large share of a song's
// events, and growing them by doubling would copy them and leave up to half
// their room unused. A release goes where its note goes, whichever note-on it ends.
void reserveDrumTracks(const std::vector<Track>& tracks, const std::array<DrumTarget, 256>& destination,
                       SplitResult& result) {
    std::size_t tr4 = 0;
    std::size_t tr5 = 0;
    for (const Track& track : tracks) {
        for (const MidiEvent& e : track) {
            const SplitClass c = splitClass(e);
            if (c == SplitClass::Kept) {
                continue;
            }
            const DrumTarget target = c == SplitClass::OtherDrumEvent ? BOTH : destination[e.data[0]];
            tr4 += target != TR5;
            tr5 += target != TR4;
        }
    }
    result.tr4.reserve(tr4);
    result.tr5.reserve(tr5);
}

void route(const MidiEvent& e, DrumTarget target, SplitResult& result) {
    if (target == TR4 || target == BOTH) {
        result.tr4.push_back(&e);
    }
    if (target == TR5 || target == BOTH) {
        result.tr5.push_back(&e);
    }
}

}  // namespace

bool isTakenBySplit(const MidiEvent& e) { return isDrumChannel(e.status) && !e.data.empty(); }

SplitResult splitDrumEvents(const std::vector<Track>& tracks, const AssignmentMap& assignments) {
    const std::array<DrumTarget, 256> destination = destinationTable(assignments);
    SplitResult result;
    reserveDrumTracks(tracks, destination, result);
    PendingNoteMap pending;
    for (const Track& track : tracks) {
        for (auto& stack : pending.stacks) {
            stack.clear();
        }
        for (const MidiEvent& e : track) {
            switch (splitClass(e)) {
                case SplitClass::Kept:
                    break;
                case SplitClass::SoundingNoteOn: {
                    const DrumTarget target = destination[e.data[0]];
                    pending.stacks[e.data[0]].push_back(target);
                    route(e, target, result);
                    break;
                }
                case SplitClass::Release: {
                    std::vector<DrumTarget>& open = pending.stacks[e.data[0]];
                    DrumTarget target = destination[e.data[0]];
                    if (!open.empty()) {
                        target = open.back();
                        open.pop_back();
                    }
                    route(e, target, result);
                    break;
                }
                case SplitClass::OtherDrumEvent:
                    route(e, BOTH, result);
                    break;
            }
        }
    }
    return result;
}

std::size_t drumTrackPosition(const std::vector<Track>& tracks) {
    return isConductorTrack(tracks) ? 4 : 3;
}
