#pragma once

// The songs the command-line tests run on, and what to look for in the output.

#include <cstdint>
#include <initializer_list>
#include <set>

#include "support/smf_builder.h"

// One quaver hit per note on `channel`, one after another.
inline Bytes hits(std::uint8_t channel, std::initializer_list<std::uint8_t> notes) {
    Bytes body;
    for (const std::uint8_t note : notes) {
        body = body + Bytes{0x00, std::uint8_t(0x90 | channel), note, 100, 0x60, std::uint8_t(0x80 | channel), note, 0};
    }
    return body;
}


// A conductor track, then five tracks. Drum notes: 36 in tracks 1 and 4, 38 and
// 200 (a malformed note byte) in track 2, 42 in tracks 4 and 5, 46 in track 5.
// Track 1 also plays a piano note, track 3 only a bass note.
inline Bytes knownSong() {
    return mthd(6) + mtrk(kTempo + kEndOfTrack) + mtrk(hits(0, {60}) + hits(9, {36}) + kEndOfTrack) +
           mtrk(hits(9, {38, 200}) + kEndOfTrack) + mtrk(hits(1, {48}) + kEndOfTrack) +
           mtrk(hits(9, {36, 42}) + kEndOfTrack) + mtrk(hits(9, {42, 46}) + kEndOfTrack);
}

// Format 0: tempo, a piano note and two drum notes in one track.
inline Bytes formatZeroSong() {
    return mthd(1, 480, 0) + mtrk(kTempo + hits(0, {60}) + hits(9, {36, 38}) + kEndOfTrack);
}

// The note numbers of the note-ons (with a velocity) on `channel`, repeats kept.
inline std::multiset<int> noteOns(const Track& track, std::uint8_t channel) {
    std::multiset<int> notes;
    for (const MidiEvent& e : track) {
        if ((e.status & 0x0F) == channel && isNoteStart(e)) {
            notes.insert(e.data[0]);
        }
    }
    return notes;
}
