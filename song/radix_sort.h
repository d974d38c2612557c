#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "song/resident_memory.h"

// Puts `items` in order of keyOf(item), a number below 2^keyBits, in a
// stable radix sort of 11-bit digits, skipping the digits that every item
// shares: linear in the items, where a comparison sort of hundreds of thousands
// of them takes several times as long.
template <class Item, class KeyOf>
inline void radixSort(std::vector<Item>& items, unsigned keyBits, KeyOf keyOf) {
    // Each digit costs a pass that clears and sums 2,049 counters however few
    // the items, and a chord's 64-bit head has six: measured, the radix sort
    // overtakes the comparison sort near 2,000 hits and near 4,500 chords.
    if (items.size() < 4096) {
        std::stable_sort(items.begin(), items.end(),
                         [&keyOf](const Item& a, const Item& b) { return keyOf(a) < keyOf(b); });
        return;
    }
    constexpr unsigned kDigitBits = 11;
    constexpr std::uint64_t kDigitMask = (1u << kDigitBits) - 1;
    // Every pass writes all of its room, so none of it is filled beforehand.
    const std::unique_ptr<Item[]> room(new Item[items.size()]);
    makeResident(room.get(), items.size() * sizeof(Item));
    Item* from = items.data();
    Item* to = room.get();
    for (unsigned shift = 0; shift < keyBits; shift += kDigitBits) {
        std::array<std::size_t, kDigitMask + 2> start{};
        for (std::size_t i = 0; i < items.size(); ++i) {
            ++start[((keyOf(from[i]) >> shift) & kDigitMask) + 1];
        }
        if (std::count(start.begin(), start.end(), 0) == std::ptrdiff_t(start.size()) - 1) {
            continue;
        }
        for (std::size_t d = 1; d < start.size(); ++d) {
            start[d] += start[d - 1];
        }
        for (std::size_t i = 0; i < items.size(); ++i) {
            to[start[(keyOf(from[i]) >> shift) & kDigitMask]++] = from[i];
        }
        std::swap(from, to);
    }
    if (from != items.data()) {
        std::copy(from, from + items.size(), items.data());
    }
}

