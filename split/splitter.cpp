#include "split/splitter.h"

#include <algorithm>
#include <functional>
#include <map>
#include <utility>

#include "song/resident_memory.h"
#include "split/hit_routing.h"

SplitResult splitDrumEvents(const std::vector<Track>& tracks, const AssignmentMap& assignments) {
    SplitResult result;
    const DrumTrackNotes notes = drumTrackNotes(assignments);
    result.tr4Notes = notes.tr4;
    result.tr5Notes = notes.tr5;
    // Sized first, so that the list is not grown by copying: it can hold a
    // large share of the song. The reader counted the loaded song's drum
    // events; other tracks are counted here.
    std::size_t count = 0;
    if (&tracks == &songData.tracks) {
        count = songData.drumEvents;
    } else {
        for (const Track& track : tracks) {
            count += std::size_t(std::count_if(track.begin(), track.end(), isDrumChannelEvent));
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

namespace {

// Finds the track that holds an event: the events of a track lie together, so
// the tracks' first events, in order of address, say which.
struct TrackFinder {
    std::vector<std::pair<const MidiEvent*, std::size_t>> starts;  // first event, track index

    explicit TrackFinder(const std::vector<Track>& tracks) {
        for (std::size_t t = 0; t < tracks.size(); ++t) {
            if (!tracks[t].empty()) {
                starts.emplace_back(tracks[t].data(), t);
            }
        }
        std::sort(starts.begin(), starts.end(), [](const auto& a, const auto& b) {
            return std::less<const MidiEvent*>()(a.first, b.first);
        });
    }
    std::size_t trackOf(const MidiEvent* event) const {
        const auto after = std::upper_bound(starts.begin(), starts.end(), event, [](const MidiEvent* e, const auto& s) {
            return std::less<const MidiEvent*>()(e, s.first);
        });
        return after == starts.begin() ? 0 : std::prev(after)->second;
    }
};

}  // namespace

void routeHitsOfSplit(SplitResult& split, const std::vector<Track>& tracks, const AssignmentMap& assignments,
                      std::uint32_t nearTicks) {
    const DrumTrackNotes in = drumTrackNotes(assignments);
    if (in.routed.none()) {
        return;
    }
    const DrumTimeline timeline = drumTimeline(sortedDrumHits(tracks));
    const HitRouting routing = routeHits(timeline, assignments, nearTicks);
    const TrackFinder finder(tracks);
    split.routed = true;
    split.tr4Events.clear();
    split.tr5Events.clear();
    std::map<std::pair<std::size_t, std::uint8_t>, std::vector<bool>> sounding;  // by track and note: TR5 or not
    std::array<bool, 256> latestTr5{};
    std::size_t tick = 0;  // the timeline's, as the events' ticks advance
    for (const MidiEvent* e : split.drums) {
        bool tr4 = true;
        bool tr5 = true;
        if (isNoteEvent(*e)) {
            const std::uint8_t note = e->data[0];
            tr4 = in.tr4[note];
            tr5 = in.tr5[note];
            if (in.routed[note] && isNoteStart(*e)) {
                while (tick + 1 < timeline.ticks.size() && timeline.ticks[tick] < e->tick) {
                    ++tick;
                }
                const auto end = timeline.notes.begin() + timeline.first[tick + 1];
                const auto at = std::find(timeline.notes.begin() + timeline.first[tick], end, note);
                latestTr5[note] = at != end && routing.tr5[std::size_t(at - timeline.notes.begin())];
                sounding[{finder.trackOf(e), note}].push_back(latestTr5[note]);
                tr5 = latestTr5[note];
                tr4 = !tr5;
            } else if (in.routed[note]) {
                std::vector<bool>& open = sounding[{finder.trackOf(e), note}];
                tr5 = open.empty() ? latestTr5[note] : open.back();
                tr4 = !tr5;
                if (!open.empty()) {
                    open.pop_back();
                }
            }
        }
        if (tr4) {
            split.tr4Events.push_back(e);
        }
        if (tr5) {
            split.tr5Events.push_back(e);
        }
    }
}

std::size_t drumTrackPosition(const std::vector<Track>& tracks) {
    return isConductorTrack(tracks) ? 4 : 3;
}
