#include "clashes/clash_count.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "split/format1.h"
#include "split/splitter.h"

namespace {

using Hit = std::pair<std::uint32_t, std::uint8_t>;  // (tick, note)

std::vector<Hit> hitsOf(const Track& track) {
    std::vector<Hit> hits;
    for (const MidiEvent& e : track) {
        if (isDrumHit(e)) {
            hits.emplace_back(e.tick, e.data[0]);
        }
    }
    std::sort(hits.begin(), hits.end());
    return hits;
}

TrackClashes clashesOf(const Track& track) {
    TrackClashes result;
    const std::vector<Hit> hits = hitsOf(track);
    for (std::size_t i = 0; i < hits.size();) {
        std::size_t end = i;
        std::size_t notes = 0;
        bool repeated = false;
        for (; end < hits.size() && hits[end].first == hits[i].first; ++end) {
            if (end > i && hits[end].second == hits[end - 1].second) {
                repeated = true;
            } else {
                ++notes;
            }
        }
        result.selfClashTicks += repeated;
        result.largest = std::max(result.largest, notes);
        result.ticks += notes >= 2;
        i = end;
    }
    return result;
}

}  // namespace

ClashReport analyseClashes(const std::vector<Track>& tracks, const AssignmentMap& assignments) {
    const SplitResult split = splitDrumEvents(convertToFormat1(tracks), assignments);
    return ClashReport{clashesOf(split.tr4), clashesOf(split.tr5)};
}

std::size_t clashingTicks(const std::vector<Track>& tracks, const AssignmentMap& assignments) {
    const ClashReport report = analyseClashes(tracks, assignments);
    return report.tr4.ticks + report.tr5.ticks;
}
