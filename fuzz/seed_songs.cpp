#include "fuzz/seed_songs.h"

#include "bench/song_generator.h"
#include "support/smf_bytes.h"

namespace {

// A note and its release a quaver later, with running status for the release.
Bytes hit(std::uint8_t channel, std::uint8_t note) {
    return {0x00, std::uint8_t(0x90 | channel), note, 100, 0x60, note, 0x00};
}

// Format 0: tempo and name, three channels and the drums, with releases as
// note-offs and as note-ons of velocity 0, and the other drum-channel messages.
Bytes formatZero() {
    const Bytes body = kTempo + Bytes{0x00, 0xFF, 0x03, 0x04, 'S', 'o', 'n', 'g'} + hit(0, 60) + hit(1, 64) +
                       hit(2, 67) + hit(9, 36) + Bytes{0x00, 0x99, 38, 90, 0x30, 0x89, 38, 64} + hit(9, 42) +
                       Bytes{0x00, 0xB9, 0x07, 0x64, 0x00, 0xA9, 36, 0x40, 0x00, 0xC9, 0x01, 0x00, 0xD9, 0x40,
                             0x00, 0xE9, 0x00, 0x40} +
                       kEndOfTrack;
    return mthd(1, 480, 0) + mtrk(body);
}

// A conductor track and five tracks, drums in tracks 1, 4 and 5, so that the
// inventory proposes all three destinations; system exclusive and an escape.
Bytes conductorAndFive() {
    const Bytes sysex{0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0x00, 0xF7, 0x02, 0xF3, 0x01};
    return mthd(6, 96) + mtrk(kTempo + sysex + kEndOfTrack) + mtrk(hit(0, 60) + hit(9, 36) + kEndOfTrack) +
           mtrk(hit(1, 40) + kEndOfTrack) + mtrk(hit(2, 70) + kEndOfTrack) +
           mtrk(hit(9, 36) + hit(9, 42) + hit(9, 49) + kEndOfTrack) + mtrk(hit(9, 42) + hit(9, 46) + kEndOfTrack);
}

// What a damaged or odd file holds and the reader still takes: a release
// before any note-on, one note struck twice before its releases, an
// End-of-Track in the middle, data bytes with bit 7 set, system bytes, a
// six-byte quantity, ticks that wrap, and a meta event cut by its chunk's end;
// then a track whose system-exclusive status is its last byte. SMPTE division.
Bytes oddities() {
    const Bytes first{0x00, 0x89, 36, 0x40,                              // release before any note-on
                      0x00, 0x99, 36, 0x64, 0x10, 36, 0x50,              // struck twice
                      0x10, 0x99, 36, 0x00, 0x10, 0x89, 36, 0x00,        // released twice
                      0x00, 0xFF, 0x2F, 0x00,                            // End-of-Track, then more
                      0x00, 0x99, 0xA4, 0xC0,                            // data bytes with bit 7
                      0x00, 0xF2, 0x01, 0x02, 0x00, 0xF8, 0x00, 0x00,    // system bytes
                      0x81, 0x80, 0x80, 0x80, 0x80, 0x05, 0xC9, 0x05,    // six-byte delta
                      0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0x99, 40, 0x64,      // the tick sum wraps
                      0x00, 0xFF, 0x01, 0x0A, 'c', 'u', 't'};            // meta cut at the chunk end
    return mthd(3, 0xE728) + mtrk(first) + mtrk({0x00, 0xC0, 0x05, 0x00, 0xF0}) + mtrk(hit(9, 50) + hit(0, 60));
}

}  // namespace

std::vector<SeedSong> seedSongs() {
    std::vector<SeedSong> seeds = {
        {"smallest", mthd(1) + mtrk({})},
        {"format-zero", formatZero()},
        {"conductor-and-five", conductorAndFive()},
        {"oddities", oddities()},
    };
    for (const std::size_t events : {60, 400, 1500}) {
        seeds.push_back({"generated-single-" + std::to_string(events), generateSong(GeneratedLayout::SingleTrack, events)});
        seeds.push_back({"generated-multi-" + std::to_string(events), generateSong(GeneratedLayout::MultiTrack, events)});
    }
    return seeds;
}
