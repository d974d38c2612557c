#include "split/splitter.h"

namespace {

enum class SplitClass { Kept, SoundingNoteOn, Release, OtherDrumEvent };

SplitClass splitClass(const MidiEvent& e) {
    if (!isDrumChannel(e.status) || e.data.empty()) {
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

// Sizes the drum tracks exactly: they hold a large share of a song's events,
// and growing them by doubling would leave up to half their room unused.
// A release goes where its note goes, whichever note-on it ends.
// Returns the number of drum-channel events each track gives up.
std::vector<std::size_t> reserveDrumTracks(const std::vector<Track>& tracks, const std::array<DrumTarget, 256>& destination,
                              SplitResult& result) {
    std::size_t tr4 = 0;
    std::size_t tr5 = 0;
    std::vector<std::size_t> taken(tracks.size(), 0);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const Track& track = tracks[i];
        for (const MidiEvent& e : track) {
            const SplitClass c = splitClass(e);
            if (c == SplitClass::Kept) {
                continue;
            }
            const DrumTarget target = c == SplitClass::OtherDrumEvent ? BOTH : destination[e.data[0]];
            tr4 += target != TR5;
            tr5 += target != TR4;
            ++taken[i];
        }
    }
    result.tr4.reserve(tr4);
    result.tr5.reserve(tr5);
    return taken;
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

namespace {

// The walk of one track. `keep` receives, in order, each event that stays in
// the track; the drum events are routed into `result`.
template <class Keep>
void splitTrack(const Track& track, const std::array<DrumTarget, 256>& destination, PendingNoteMap& pending,
                SplitResult& result, Keep&& keep) {
    for (auto& stack : pending.stacks) {
        stack.clear();
    }
    for (std::size_t k = 0; k < track.size(); ++k) {
        const MidiEvent& e = track[k];
        switch (splitClass(e)) {
            case SplitClass::Kept:
                keep(k);
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
                result.tr4.push_back(e);
                result.tr5.push_back(e);
                break;
        }
    }
}

}  // namespace

SplitResult splitDrumEvents(std::vector<Track>&& tracks, const AssignmentMap& assignments) {
    const std::array<DrumTarget, 256> destination = destinationTable(assignments);
    SplitResult result;
    reserveDrumTracks(tracks, destination, result);
    PendingNoteMap pending;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        Track& track = tracks[i];
        pending.trackIndex = i;
        // Kept events slide down over the ones taken out, in their order.
        std::size_t kept = 0;
        splitTrack(track, destination, pending, result, [&](std::size_t k) {
            if (kept != k) {
                track[kept] = std::move(track[k]);
            }
            ++kept;
        });
        track.resize(kept);
    }
    result.remaining = std::move(tracks);
    return result;
}

SplitResult splitDrumEvents(const std::vector<Track>& tracks, const AssignmentMap& assignments) {
    const std::array<DrumTarget, 256> destination = destinationTable(assignments);
    SplitResult result;
    const std::vector<std::size_t> taken = reserveDrumTracks(tracks, destination, result);
    PendingNoteMap pending;
    result.remaining.resize(tracks.size());
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const Track& track = tracks[i];
        Track& kept = result.remaining[i];
        kept.reserve(track.size() - taken[i]);
        pending.trackIndex = i;
        splitTrack(track, destination, pending, result, [&](std::size_t k) { kept.push_back(track[k]); });
    }
    return result;
}

std::size_t drumTrackPosition(const std::vector<Track>& tracks) {
    return isConductorTrack(tracks) ? 4 : 3;
}
