#include "clashes/clash_count.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>

#include "split/splitter.h"

namespace {

using Hit = std::pair<std::uint32_t, std::uint8_t>;  // (tick, note)

// The note-ons of one drum track of the split, whose notes are `trackNotes`.
std::vector<Hit> hitsOf(const SplitResult& split, const std::bitset<256>& trackNotes) {
    std::vector<Hit> hits;
    for (const MidiEvent* e : split.drums) {
        if (isDrumHit(*e) && trackNotes[e->data[0]]) {
            hits.emplace_back(e->tick, e->data[0]);
        }
    }
    std::sort(hits.begin(), hits.end());
    return hits;
}

TrackClashes clashesOf(const SplitResult& split, const std::bitset<256>& trackNotes) {
    TrackClashes result;
    const std::vector<Hit> hits = hitsOf(split, trackNotes);
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

// A hit as one number, (tick, note): 40 bits, which four passes of an 11-bit
// radix sort put in order far sooner than a comparison sort once a song has
// hundreds of thousands of hits.
void sortHits(std::vector<std::uint64_t>& hits) {
    if (hits.size() < 4096) {
        std::sort(hits.begin(), hits.end());
        return;
    }
    constexpr unsigned kDigitBits = 11;
    constexpr std::uint64_t kDigitMask = (1u << kDigitBits) - 1;
    std::vector<std::uint64_t> sorted(hits.size());
    for (unsigned shift = 0; shift < 40; shift += kDigitBits) {
        std::array<std::size_t, kDigitMask + 2> start{};
        for (const std::uint64_t hit : hits) {
            ++start[((hit >> shift) & kDigitMask) + 1];
        }
        for (std::size_t d = 1; d < start.size(); ++d) {
            start[d] += start[d - 1];
        }
        for (const std::uint64_t hit : hits) {
            sorted[start[(hit >> shift) & kDigitMask]++] = hit;
        }
        hits.swap(sorted);
    }
}

}  // namespace

ClashReport analyseClashes(const std::vector<Track>& tracks, const AssignmentMap& assignments) {
    const SplitResult split = splitDrumEvents(tracks, assignments);
    return ClashReport{clashesOf(split, split.tr4Notes), clashesOf(split, split.tr5Notes)};
}

std::size_t clashingTicks(const std::vector<Track>& tracks, const AssignmentMap& assignments) {
    const ClashReport report = analyseClashes(tracks, assignments);
    return report.tr4.ticks + report.tr5.ticks;
}

std::vector<DrumChord> findChords(const std::vector<Track>& tracks) {
    // (tick, note) in one number, so that one sort puts every tick's notes together.
    std::vector<std::uint64_t> hits;
    for (const Track& track : tracks) {
        for (const MidiEvent& e : track) {
            if (isDrumHit(e)) {
                hits.push_back(std::uint64_t(e.tick) << 8 | e.data[0]);
            }
        }
    }
    sortHits(hits);
    hits.erase(std::unique(hits.begin(), hits.end()), hits.end());

    // The notes of each tick that has two or more, as bytes: a short string
    // needs no allocation of its own, and equal sets meet in one entry.
    std::unordered_map<std::string, std::size_t> ticksOfNotes;
    std::string notes;
    for (std::size_t i = 0; i < hits.size();) {
        std::size_t end = i + 1;
        while (end < hits.size() && hits[end] >> 8 == hits[i] >> 8) {
            ++end;
        }
        if (end - i >= 2) {
            notes.clear();
            for (std::size_t k = i; k < end; ++k) {
                notes += static_cast<char>(hits[k] & 0xFF);
            }
            ++ticksOfNotes[notes];
        }
        i = end;
    }

    std::vector<DrumChord> chords;
    chords.reserve(ticksOfNotes.size());
    for (const auto& [set, ticks] : ticksOfNotes) {
        chords.push_back(DrumChord{std::vector<std::uint8_t>(set.begin(), set.end()), ticks});
    }
    std::sort(chords.begin(), chords.end(), [](const DrumChord& a, const DrumChord& b) {
        return std::lexicographical_compare(a.notes.begin(), a.notes.end(), b.notes.begin(), b.notes.end());
    });
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
