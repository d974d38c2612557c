#include "clashes/clash_count.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <utility>

#include "song/resident_memory.h"

namespace {

// Puts `items` in order of keyOf(item), a number below 2^keyBits, in a
// stable radix sort of 11-bit digits, skipping the digits that every item
// shares: linear in the items, where a comparison sort of hundreds of thousands
// of them takes several times as long.
template <class Item, class KeyOf>
void radixSort(std::vector<Item>& items, unsigned keyBits, KeyOf keyOf) {
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

// A hit as one number, (tick, note), so that one sort puts every tick's notes together.
constexpr unsigned kHitBits = 40;
std::uint64_t hitOf(const MidiEvent& e) { return std::uint64_t(e.tick) << 8 | e.data[0]; }
std::uint32_t tickOf(std::uint64_t hit) { return std::uint32_t(hit >> 8); }
std::uint8_t noteOf(std::uint64_t hit) { return std::uint8_t(hit); }

// The drum hits of `tracks` in (tick, note) order.
std::vector<std::uint64_t> sortedHitsOf(const std::vector<Track>& tracks) {
    std::size_t hitCount = 0;
    for (const Track& track : tracks) {
        hitCount += std::size_t(std::count_if(track.begin(), track.end(), isDrumHit));
    }
    std::vector<std::uint64_t> hits;
    reserveResident(hits, hitCount);
    for (const Track& track : tracks) {
        for (const MidiEvent& e : track) {
            if (isDrumHit(e)) {
                hits.push_back(hitOf(e));
            }
        }
    }
    radixSort(hits, kHitBits, [](std::uint64_t hit) { return hit; });
    return hits;
}

// The notes of one tick, in ascending order, as a run of a list of notes.
// `head` packs the first kHeadNotes of them, the first in the highest byte,
// zero after the last: a later note is never zero (it exceeds the first), so
// heads compare as the notes do, and only sets that share their first
// kHeadNotes notes need their other notes compared.
constexpr std::size_t kHeadNotes = 8;

struct TickNotes {
    std::uint64_t head;
    std::uint32_t first;
    std::uint32_t count;
};

std::uint64_t headOf(const std::uint8_t* notes, std::size_t count) {
    std::uint64_t head = 0;
    for (std::size_t k = 0; k < kHeadNotes; ++k) {
        head = head << 8 | (k < count ? notes[k] : 0);
    }
    return head;
}

// Sets of notes gathered tick by tick, each set's notes a run of `notes`.
struct TickSets {
    std::vector<std::uint8_t> notes;
    std::vector<TickNotes> ticks;

    void reserve(std::size_t setCount, std::size_t noteCount) {
        reserveResident(notes, noteCount);
        reserveResident(ticks, setCount);
    }
    void add(const std::uint8_t* first, std::size_t count) {
        ticks.push_back(TickNotes{headOf(first, count), std::uint32_t(notes.size()), std::uint32_t(count)});
        notes.insert(notes.end(), first, first + count);
    }
};

// Each set of `sets` once, in ascending order of notes, with the number of ticks it was gathered from.
std::vector<DrumChord> countEqualSets(TickSets& sets) {
    const std::vector<std::uint8_t>& notes = sets.notes;
    std::vector<TickNotes>& ticks = sets.ticks;
    // Equal sets meet when the ticks are sorted by their notes: by their
    // heads, then, among equal heads of eight notes, by the notes after those.
    const auto tail = [&notes](const TickNotes& t) {
        const std::size_t skip = std::min<std::size_t>(t.count, kHeadNotes);
        return std::pair(notes.data() + t.first + skip, notes.data() + t.first + t.count);
    };
    const auto before = [&tail](const TickNotes& a, const TickNotes& b) {
        if (a.head != b.head) {
            return a.head < b.head;
        }
        const auto [a0, a1] = tail(a);
        const auto [b0, b1] = tail(b);
        return std::lexicographical_compare(a0, a1, b0, b1);
    };
    radixSort(ticks, 64, [](const TickNotes& t) { return t.head; });
    for (std::size_t i = 0; i < ticks.size();) {
        std::size_t end = i + 1;
        while (end < ticks.size() && ticks[end].head == ticks[i].head) {
            ++end;
        }
        if (end - i >= 2 && ticks[i].count >= kHeadNotes) {
            std::sort(ticks.begin() + std::ptrdiff_t(i), ticks.begin() + std::ptrdiff_t(end), before);
        }
        i = end;
    }

    // Ticks [i, end) of one set each.
    const auto setEnd = [&ticks, &before](std::size_t i) {
        std::size_t end = i + 1;
        while (end < ticks.size() && !before(ticks[i], ticks[end])) {
            ++end;
        }
        return end;
    };
    std::size_t setCount = 0;
    for (std::size_t i = 0; i < ticks.size(); i = setEnd(i)) {
        ++setCount;
    }
    std::vector<DrumChord> counted;
    reserveResident(counted, setCount);
    for (std::size_t i = 0, end; i < ticks.size(); i = end) {
        end = setEnd(i);
        // The head holds the first notes: the list is read only for longer sets,
        // since after the sort each set's notes lie anywhere in it.
        const TickNotes& t = ticks[i];
        std::vector<std::uint8_t> setNotes(t.count);
        for (std::size_t k = 0; k < std::min<std::size_t>(t.count, kHeadNotes); ++k) {
            setNotes[k] = std::uint8_t(t.head >> (8 * (kHeadNotes - 1 - k)));
        }
        const auto [rest, restEnd] = tail(t);
        std::copy(rest, restEnd, setNotes.begin() + std::ptrdiff_t(std::min<std::size_t>(t.count, kHeadNotes)));
        counted.push_back(DrumChord{std::move(setNotes), end - i});
    }
    return counted;
}

// The notes that start at one tick, from its run of sorted hits: each once,
// and apart from that those that start more than once.
struct NotesOfTick {
    std::array<std::uint8_t, 256> different;
    std::array<std::uint8_t, 256> repeated;
    std::size_t differentCount = 0;
    std::size_t repeatedCount = 0;

    NotesOfTick(const std::uint64_t* first, const std::uint64_t* end) {
        for (const std::uint64_t* hit = first; hit != end; ++hit) {
            if (hit == first || *hit != hit[-1]) {
                different[differentCount++] = noteOf(*hit);
            } else if (hit - 1 == first || hit[-1] != hit[-2]) {
                repeated[repeatedCount++] = noteOf(*hit);
            }
        }
    }
};

}  // namespace

DrumTicks findDrumTicks(const std::vector<Track>& tracks) {
    const std::vector<std::uint64_t> hits = sortedHitsOf(tracks);

    // Each tick's hits [i, end).
    const auto eachTick = [&hits](auto&& take) {
        for (std::size_t i = 0, end; i < hits.size(); i = end) {
            end = i + 1;
            while (end < hits.size() && tickOf(hits[end]) == tickOf(hits[i])) {
                ++end;
            }
            take(NotesOfTick(hits.data() + i, hits.data() + end));
        }
    };
    DrumTicks found;
    std::size_t chordTicks = 0, chordNotes = 0, repeatTicks = 0, repeatNotes = 0;
    eachTick([&](const NotesOfTick& tick) {
        if (tick.differentCount >= 2) {
            ++chordTicks;
            chordNotes += tick.differentCount;
        }
        repeatTicks += tick.repeatedCount > 0;
        repeatNotes += tick.repeatedCount;
        for (std::size_t k = 0; k < tick.differentCount; ++k) {
            found.struck[tick.different[k]] = true;
        }
    });
    TickSets chords;
    TickSets repeats;
    chords.reserve(chordTicks, chordNotes);
    repeats.reserve(repeatTicks, repeatNotes);
    eachTick([&](const NotesOfTick& tick) {
        if (tick.differentCount >= 2) {
            chords.add(tick.different.data(), tick.differentCount);
        }
        if (tick.repeatedCount > 0) {
            repeats.add(tick.repeated.data(), tick.repeatedCount);
        }
    });
    found.chords = countEqualSets(chords);
    found.repeats = countEqualSets(repeats);
    return found;
}

std::vector<DrumChord> findChords(const std::vector<Track>& tracks) { return findDrumTicks(tracks).chords; }

ClashReport reportClashes(const DrumTicks& drumTicks, const AssignmentMap& assignments) {
    const DrumTrackNotes in = drumTrackNotes(assignments);
    const ClashCounts counts = countClashes(drumTicks.chords, assignments);
    ClashReport report;
    report.tr4.ticks = counts.tr4;
    report.tr5.ticks = counts.tr5;
    report.tr4.largest = counts.largestTr4;
    report.tr5.largest = counts.largestTr5;
    // A note struck alone is one note at once too.
    for (std::size_t note = 0; note < 256; ++note) {
        if (drumTicks.struck[note]) {
            report.tr4.largest = std::max<std::size_t>(report.tr4.largest, in.tr4[note]);
            report.tr5.largest = std::max<std::size_t>(report.tr5.largest, in.tr5[note]);
        }
    }
    for (const DrumChord& repeat : drumTicks.repeats) {
        const auto inTrack = [&repeat](const std::bitset<256>& track) {
            return std::any_of(repeat.notes.begin(), repeat.notes.end(), [&track](std::uint8_t n) { return track[n]; });
        };
        report.tr4.selfClashTicks += inTrack(in.tr4) ? repeat.ticks : 0;
        report.tr5.selfClashTicks += inTrack(in.tr5) ? repeat.ticks : 0;
    }
    return report;
}

ClashCounts countClashes(const std::vector<DrumChord>& chords, const AssignmentMap& assignments) {
    const DrumTrackNotes in = drumTrackNotes(assignments);
    ClashCounts counts;
    for (const DrumChord& chord : chords) {
        std::size_t tr4 = 0;
        std::size_t tr5 = 0;
        for (const std::uint8_t note : chord.notes) {
            tr4 += in.tr4[note];
            tr5 += in.tr5[note];
        }
        if (tr4 >= 2) {
            counts.tr4 += chord.ticks;
        }
        if (tr5 >= 2) {
            counts.tr5 += chord.ticks;
        }
        counts.largestTr4 = std::max(counts.largestTr4, tr4);
        counts.largestTr5 = std::max(counts.largestTr5, tr5);
        for (const std::uint8_t note : chord.notes) {
            counts.perNote[note] += ((in.tr4[note] && tr4 >= 2) + (in.tr5[note] && tr5 >= 2)) * chord.ticks;
        }
    }
    return counts;
}
