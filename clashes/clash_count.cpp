#include "clashes/clash_count.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <utility>

#include "song/resident_memory.h"
#include "split/splitter.h"

namespace {

// Puts `items` in order of keyOf(item), a number below 2^keyBits, in a
// stable radix sort of 11-bit digits, skipping the digits that every item
// shares: linear in the items, where a comparison sort of hundreds of thousands
// of them takes several times as long.
template <class Item, class KeyOf>
void radixSort(std::vector<Item>& items, unsigned keyBits, KeyOf keyOf) {
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

void sortHits(std::vector<std::uint64_t>& hits) {
    radixSort(hits, kHitBits, [](std::uint64_t hit) { return hit; });
}

// One drum track's hits at one tick, taken in (tick, note) order.
struct TickHits {
    std::size_t notes = 0;
    bool repeated = false;

    void take(bool sameAsLast) {
        if (sameAsLast) {
            repeated = true;
        } else {
            ++notes;
        }
    }
    void addTo(TrackClashes& clashes) const {
        clashes.selfClashTicks += repeated;
        clashes.largest = std::max(clashes.largest, notes);
        clashes.ticks += notes >= 2;
    }
};

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

}  // namespace

ClashReport analyseClashes(const std::vector<Track>& tracks, const AssignmentMap& assignments) {
    const SplitResult split = splitDrumEvents(tracks, assignments);
    // The hits of both drum tracks, sorted once; each tick's are then shared out.
    const auto inDrumTrack = [&split](const MidiEvent* e) {
        return isDrumHit(*e) && (split.tr4Notes[e->data[0]] || split.tr5Notes[e->data[0]]);
    };
    std::vector<std::uint64_t> hits;
    reserveResident(hits, std::size_t(std::count_if(split.drums.begin(), split.drums.end(), inDrumTrack)));
    for (const MidiEvent* e : split.drums) {
        if (inDrumTrack(e)) {
            hits.push_back(hitOf(*e));
        }
    }
    sortHits(hits);

    ClashReport report;
    for (std::size_t i = 0; i < hits.size();) {
        TickHits tr4;
        TickHits tr5;
        std::size_t end = i;
        for (; end < hits.size() && tickOf(hits[end]) == tickOf(hits[i]); ++end) {
            const bool sameAsLast = end > i && hits[end] == hits[end - 1];
            if (split.tr4Notes[noteOf(hits[end])]) {
                tr4.take(sameAsLast);
            }
            if (split.tr5Notes[noteOf(hits[end])]) {
                tr5.take(sameAsLast);
            }
        }
        tr4.addTo(report.tr4);
        tr5.addTo(report.tr5);
        i = end;
    }
    return report;
}

std::size_t clashingTicks(const std::vector<Track>& tracks, const AssignmentMap& assignments) {
    const ClashReport report = analyseClashes(tracks, assignments);
    return report.tr4.ticks + report.tr5.ticks;
}

std::vector<DrumChord> findChords(const std::vector<Track>& tracks) {
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
    sortHits(hits);
    hits.erase(std::unique(hits.begin(), hits.end()), hits.end());

    // The notes of every tick that has two or more, one after another.
    const auto tickEnd = [&hits](std::size_t i) {
        std::size_t end = i + 1;
        while (end < hits.size() && tickOf(hits[end]) == tickOf(hits[i])) {
            ++end;
        }
        return end;
    };
    std::size_t chordTicks = 0;
    std::size_t chordNotes = 0;
    for (std::size_t i = 0, end; i < hits.size(); i = end) {
        end = tickEnd(i);
        if (end - i >= 2) {
            ++chordTicks;
            chordNotes += end - i;
        }
    }
    std::vector<std::uint8_t> notes;
    std::vector<TickNotes> ticks;
    reserveResident(notes, chordNotes);
    reserveResident(ticks, chordTicks);
    for (std::size_t i = 0, end; i < hits.size(); i = end) {
        end = tickEnd(i);
        if (end - i >= 2) {
            TickNotes tick{0, std::uint32_t(notes.size()), std::uint32_t(end - i)};
            for (std::size_t k = i; k < end; ++k) {
                notes.push_back(noteOf(hits[k]));
            }
            tick.head = headOf(notes.data() + tick.first, tick.count);
            ticks.push_back(tick);
        }
    }
    hits = {};

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
    std::size_t sets = 0;
    for (std::size_t i = 0; i < ticks.size(); i = setEnd(i)) {
        ++sets;
    }
    std::vector<DrumChord> chords;
    chords.reserve(sets);
    for (std::size_t i = 0, end; i < ticks.size(); i = end) {
        end = setEnd(i);
        const std::uint8_t* first = notes.data() + ticks[i].first;
        chords.push_back(DrumChord{std::vector<std::uint8_t>(first, first + ticks[i].count), end - i});
    }
    return chords;
}

ClashCounts countClashes(const std::vector<DrumChord>& chords, const AssignmentMap& assignments) {
    std::array<bool, 256> inTr4;
    std::array<bool, 256> inTr5;
    inTr4.fill(true);
    inTr5.fill(false);
    for (const auto& [note, target] : assignments) {
        if (note >= 0 && note < 256) {
            inTr4[std::size_t(note)] = target == TR4 || target == BOTH;
            inTr5[std::size_t(note)] = target == TR5 || target == BOTH;
        }
    }
    ClashCounts counts;
    for (const DrumChord& chord : chords) {
        std::size_t tr4 = 0;
        std::size_t tr5 = 0;
        for (const std::uint8_t note : chord.notes) {
            tr4 += inTr4[note];
            tr5 += inTr5[note];
        }
        if (tr4 >= 2) {
            counts.tr4 += chord.ticks;
        }
        if (tr5 >= 2) {
            counts.tr5 += chord.ticks;
        }
        for (const std::uint8_t note : chord.notes) {
            counts.perNote[note] += ((inTr4[note] && tr4 >= 2) + (inTr5[note] && tr5 >= 2)) * chord.ticks;
        }
    }
    return counts;
}
