#include "examples/groove.h"

#include <initializer_list>
#include <string>

namespace {

constexpr std::uint16_t kTicksPerQuarter = kGrooveDivision;
constexpr std::uint32_t kEighth = kTicksPerQuarter / 2;
constexpr std::uint32_t kBar = 4 * kTicksPerQuarter;
constexpr std::uint8_t kDrums = 9;  // MIDI channel 10

MidiEvent meta(std::uint32_t tick, std::uint8_t type, std::vector<std::uint8_t> payload) {
    const auto length = static_cast<std::uint32_t>(payload.size());
    payload.insert(payload.begin(), type);
    return MidiEvent{tick, 0xFF, std::move(payload), length};
}

MidiEvent trackName(const std::string& name) { return meta(0, 0x03, std::vector<std::uint8_t>(name.begin(), name.end())); }

void addNote(Track& track, std::uint8_t channel, std::uint32_t tick, std::uint32_t length, std::uint8_t note,
             std::uint8_t velocity) {
    track.push_back(MidiEvent{tick, static_cast<std::uint8_t>(0x90 | channel), {note, velocity}, 0});
    track.push_back(MidiEvent{tick + length, static_cast<std::uint8_t>(0x80 | channel), {note, 0}, 0});
}

void addDrum(Track& track, std::uint32_t tick, std::uint8_t note, std::uint8_t velocity = 100) {
    addNote(track, kDrums, tick, kEighth / 2, note, velocity);
}

}  // namespace

std::vector<Track> demoGroove() {
    Track conductor{
        trackName("Tessaline demo groove"),
        meta(0, 0x51, {0x07, 0xA1, 0x20}),        // 500000 us a quarter: 120 bpm
        meta(0, 0x58, {0x04, 0x02, 0x18, 0x08}),  // 4/4
    };

    Track bass{trackName("Bass"), MidiEvent{0, 0xC1, {33}, 0}};  // channel 2, electric bass (finger)
    Track piano{trackName("Piano"), MidiEvent{0, 0xC0, {0}, 0}};
    const std::uint8_t roots[2] = {40, 45};  // E, then A
    for (std::uint32_t bar = 0; bar < 2; ++bar) {
        const std::uint32_t start = bar * kBar;
        for (std::uint32_t eighth = 0; eighth < 8; ++eighth) {
            addNote(bass, 1, start + eighth * kEighth, kEighth - 20, roots[bar], eighth % 2 == 0 ? 100 : 80);
        }
        for (const std::uint8_t interval : {12, 19, 24, 28}) {
            addNote(piano, 0, start, kBar - 20, static_cast<std::uint8_t>(roots[bar] + interval), 70);
        }
    }

    // Track 3 (kick and snare) is neither 4 nor 5: its notes are proposed for TR4.
    Track kickSnare{trackName("Kick & Snare")};
    // Track 4: proposed for TR4; the crash is also in track 5, so BOTH.
    Track hiHats{trackName("Hi-Hats")};
    // Track 5: proposed for TR5.
    Track percussion{trackName("Percussion")};
    // Track 6: the fill at the end; its snare joins the one of track 3.
    Track fill{trackName("Fill")};
    for (std::uint32_t bar = 0; bar < 2; ++bar) {
        const std::uint32_t start = bar * kBar;
        addDrum(kickSnare, start, 36);
        addDrum(kickSnare, start + 2 * kTicksPerQuarter, 36);
        addDrum(kickSnare, start + 5 * kEighth, 36, 80);
        addDrum(kickSnare, start + kTicksPerQuarter, 38);
        if (bar == 0) {
            addDrum(kickSnare, start + 3 * kTicksPerQuarter, 38);
        }
        for (std::uint32_t eighth = 0; eighth < 8; ++eighth) {
            const bool open = eighth == 7;
            if (bar == 1 && eighth >= 6) {
                break;  // the fill takes the last beat
            }
            addDrum(hiHats, start + eighth * kEighth, open ? 46 : 42, eighth % 2 == 0 ? 90 : 60);
        }
        addDrum(bar == 0 ? hiHats : percussion, start, 49, 110);
        for (std::uint32_t beat = 0; beat < 4; ++beat) {
            addDrum(percussion, start + beat * kTicksPerQuarter, 54, 70);
        }
        addDrum(percussion, start + 3 * kTicksPerQuarter, 39);
    }
    const std::uint32_t fillStart = kBar + 3 * kTicksPerQuarter;
    const std::uint8_t fillNotes[4] = {38, 50, 48, 45};
    for (std::uint32_t k = 0; k < 4; ++k) {
        addDrum(fill, fillStart + k * (kTicksPerQuarter / 4), fillNotes[k], 100);
    }

    return {conductor, bass, piano, kickSnare, hiHats, percussion, fill};
}

