#include "smf/event_order.h"

#include <algorithm>
#include <cstdint>
#include <vector>

EventClass eventClass(const MidiEvent& event) {
    if (isRelease(event)) {
        return EventClass::NoteOff;
    }
    return (event.status & 0xF0) == 0x90 ? EventClass::NoteOn : EventClass::Other;
}

bool eventOrderLess(const MidiEvent& a, const MidiEvent& b) {
    if (a.tick != b.tick) {
        return a.tick < b.tick;
    }
    return eventClass(a) < eventClass(b);
}

namespace {

// A drum track of a million events is sorted by its keys alone: (tick, class)
// in the high 34 bits, the event's position in the low 30. An LSD radix sort
// keeps equal keys in their order, so the result is that of a stable sort by
// eventOrderLess, in linear time.
constexpr int kIndexBits = 30;
constexpr std::size_t kRadixLimit = std::size_t{1} << kIndexBits;

std::uint64_t orderKey(const MidiEvent& e, std::size_t index) {
    return (std::uint64_t{e.tick} << 32) | (std::uint64_t(eventClass(e)) << kIndexBits) | index;
}

void radixSortHighBits(std::vector<std::uint64_t>& keys) {
    std::vector<std::uint64_t> scratch(keys.size());
    // Bits 30 to 63 in three passes of 12, 11 and 11 bits.
    constexpr int kShifts[] = {30, 42, 53};
    constexpr int kWidths[] = {12, 11, 11};
    for (int pass = 0; pass < 3; ++pass) {
        const int shift = kShifts[pass];
        const std::uint64_t mask = (std::uint64_t{1} << kWidths[pass]) - 1;
        std::vector<std::size_t> count(std::size_t{1} << kWidths[pass], 0);
        for (const std::uint64_t k : keys) {
            ++count[(k >> shift) & mask];
        }
        std::size_t total = 0;
        for (std::size_t& c : count) {
            const std::size_t n = c;
            c = total;
            total += n;
        }
        for (const std::uint64_t k : keys) {
            scratch[count[(k >> shift) & mask]++] = k;
        }
        keys.swap(scratch);
    }
}

}  // namespace

std::vector<std::uint32_t> orderedPositions(const Track& track) {
    std::vector<std::uint32_t> positions(track.size());
    if (track.size() < 64 || track.size() >= kRadixLimit) {
        for (std::uint32_t i = 0; i < positions.size(); ++i) {
            positions[i] = i;
        }
        std::stable_sort(positions.begin(), positions.end(),
                         [&track](std::uint32_t a, std::uint32_t b) { return eventOrderLess(track[a], track[b]); });
        return positions;
    }
    std::vector<std::uint64_t> keys(track.size());
    for (std::size_t i = 0; i < track.size(); ++i) {
        keys[i] = orderKey(track[i], i);
    }
    // A drum track from a single source track is usually in order already.
    if (!std::is_sorted(keys.begin(), keys.end())) {
        radixSortHighBits(keys);
    }
    constexpr std::uint64_t kIndexMask = kRadixLimit - 1;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        positions[i] = static_cast<std::uint32_t>(keys[i] & kIndexMask);
    }
    return positions;
}

void orderTrackEvents(Track& track) {
    const std::vector<std::uint32_t> positions = orderedPositions(track);
    Track ordered;
    ordered.reserve(track.size());
    for (const std::uint32_t i : positions) {
        ordered.push_back(std::move(track[i]));
    }
    track.swap(ordered);
}
