#include "clashes/clash_count.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <utility>

#include "song/radix_sort.h"
#include "song/resident_memory.h"

namespace {

// A hit as sortedDrumHits gives it: tick << 8 | note.
std::uint32_t tickOf(std::uint64_t hit) { return std::uint32_t(hit >> 8); }
std::uint8_t noteOf(std::uint64_t hit) { return std::uint8_t(hit); }

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

// The drum tracks that the hit at entry k of the timeline sounds in, bit 0
// for TR4 and bit 1 for TR5: its note's destination, or for a note on AUTO
// where the routing sent that hit.
int tracksOfHit(const DrumTimeline& timeline, const DrumTrackNotes& in, const HitRouting& routing, std::uint32_t k) {
    const std::uint8_t note = timeline.notes[k];
    if (in.routed[note]) {
        return k < routing.tr5.size() && routing.tr5[k] ? 2 : 1;
    }
    return int(in.tr4[note]) | int(in.tr5[note]) << 1;
}

}  // namespace

DrumTicks findDrumTicks(const std::vector<Track>& tracks) {
    const std::vector<std::uint64_t> hits = sortedDrumHits(tracks);

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
    found.timeline = drumTimeline(hits);
    return found;
}

std::vector<DrumChord> findChords(const std::vector<Track>& tracks) { return findDrumTicks(tracks).chords; }

ClashReport reportClashes(const DrumTicks& drumTicks, const AssignmentMap& assignments, const HitRouting& routing,
                          std::uint32_t nearTicks) {
    const DrumTimeline& timeline = drumTicks.timeline;
    const ClashCounts counts = countClashes(timeline, assignments, routing, nearTicks);
    ClashReport report;
    report.tr4 = {counts.tr4, counts.largestTr4, 0, counts.nearTr4};
    report.tr5 = {counts.tr5, counts.largestTr5, 0, counts.nearTr5};
    const DrumTrackNotes in = drumTrackNotes(assignments);
    for (std::size_t i = 0; i + 1 < timeline.first.size(); ++i) {
        int struckTwice = 0;  // the drum tracks in which a note starts again on this tick
        for (std::uint32_t k = timeline.first[i]; k < timeline.first[i + 1]; ++k) {
            if (timeline.again[k]) {
                struckTwice |= tracksOfHit(timeline, in, routing, k);
            }
        }
        report.tr4.selfClashTicks += struckTwice & 1;
        report.tr5.selfClashTicks += struckTwice >> 1;
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

ClashCounts countClashes(const DrumTimeline& timeline, const AssignmentMap& assignments, const HitRouting& routing,
                         std::uint32_t nearTicks, std::vector<ClashPlace>* places) {
    const DrumTrackNotes in = drumTrackNotes(assignments);
    // Whether the hit that is entry k of the timeline's notes sounds in TR4 (0) or TR5 (1).
    const auto inTrack = [&](std::uint32_t k, int track) {
        return (tracksOfHit(timeline, in, routing, k) >> track & 1) != 0;
    };
    ClashCounts counts;
    std::vector<std::uint8_t> cut(nearTicks == 0 ? 0 : timeline.notes.size());  // bit t: cut short in track t
    std::size_t from = 0;  // the first tick less than the window before tick i
    for (std::size_t i = 0; i + 1 < timeline.first.size(); ++i) {
        const std::uint32_t first = timeline.first[i];
        const std::uint32_t end = timeline.first[i + 1];
        for (int track = 0; track < 2; ++track) {
            std::size_t notes = 0;
            std::uint8_t only = 0;
            for (std::uint32_t k = first; k < end; ++k) {
                if (inTrack(k, track)) {
                    ++notes;
                    only = timeline.notes[k];
                }
            }
            (track == 0 ? counts.largestTr4 : counts.largestTr5) =
                std::max(track == 0 ? counts.largestTr4 : counts.largestTr5, notes);
            if (notes >= 2) {
                ++(track == 0 ? counts.tr4 : counts.tr5);
                for (std::uint32_t k = first; k < end; ++k) {
                    counts.perNote[timeline.notes[k]] += inTrack(k, track);
                }
                if (places != nullptr) {
                    places->push_back(ClashPlace{timeline.ticks[i], track, false, {}});
                    for (std::uint32_t k = first; k < end; ++k) {
                        if (inTrack(k, track)) {
                            places->back().notes.push_back(timeline.notes[k]);
                        }
                    }
                }
            }
            if (notes == 0 || nearTicks == 0) {
                continue;
            }
            // The hits of this track shortly before are cut short by any different note here.
            while (timeline.ticks[from] + std::uint64_t(nearTicks) <= timeline.ticks[i]) {
                ++from;
            }
            for (std::uint32_t k = timeline.first[from]; k < first; ++k) {
                if (inTrack(k, track) && (notes >= 2 || timeline.notes[k] != only)) {
                    cut[k] |= std::uint8_t(1u << track);
                }
            }
        }
        for (std::uint32_t k = first; k < end; ++k) {
            const std::uint8_t note = timeline.notes[k];
            if (in.routed[note]) {
                ++(inTrack(k, 1) ? counts.routedTr5 : counts.routedTr4)[note];
            }
        }
    }
    for (std::size_t i = 0; nearTicks != 0 && i + 1 < timeline.first.size(); ++i) {
        std::uint8_t any = 0;
        for (std::uint32_t k = timeline.first[i]; k < timeline.first[i + 1]; ++k) {
            any |= cut[k];
            counts.perNoteNear[timeline.notes[k]] += (cut[k] & 1) + (cut[k] >> 1);
        }
        counts.nearTr4 += any & 1;
        counts.nearTr5 += any >> 1;
        for (int track = 0; places != nullptr && track < 2; ++track) {
            if ((any >> track & 1) != 0) {
                places->push_back(ClashPlace{timeline.ticks[i], track, true, {}});
                for (std::uint32_t k = timeline.first[i]; k < timeline.first[i + 1]; ++k) {
                    if ((cut[k] >> track & 1) != 0) {
                        places->back().notes.push_back(timeline.notes[k]);
                    }
                }
            }
        }
    }
    if (places != nullptr) {
        // Exact and near clashes were found in two walks: put them in one time order.
        std::stable_sort(places->begin(), places->end(), [](const ClashPlace& a, const ClashPlace& b) {
            return a.tick != b.tick ? a.tick < b.tick : a.track != b.track ? a.track < b.track : !a.cutShort && b.cutShort;
        });
    }
    return counts;
}

std::vector<std::uint32_t> firstClashTicks(const DrumTimeline& timeline, const AssignmentMap& assignments,
                                           const HitRouting& routing, std::uint8_t note, std::size_t count) {
    const DrumTrackNotes in = drumTrackNotes(assignments);
    const auto tracksOf = [&](std::uint32_t k) { return tracksOfHit(timeline, in, routing, k); };
    std::vector<std::uint32_t> ticks;
    for (std::size_t i = 0; i + 1 < timeline.first.size() && ticks.size() < count; ++i) {
        const std::uint32_t first = timeline.first[i];
        const std::uint32_t end = timeline.first[i + 1];
        const auto at = std::find(timeline.notes.begin() + first, timeline.notes.begin() + end, note);
        if (end - first < 2 || at == timeline.notes.begin() + end) {
            continue;
        }
        const int mine = tracksOf(std::uint32_t(at - timeline.notes.begin()));
        bool shared = false;
        for (std::uint32_t k = first; k < end && !shared; ++k) {
            shared = timeline.notes[k] != note && (tracksOf(k) & mine) != 0;
        }
        if (shared) {
            ticks.push_back(timeline.ticks[i]);
        }
    }
    return ticks;
}
