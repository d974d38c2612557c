#pragma once

// Where a tick of the song falls as a sequencer counts it: bar, beat, tick,
// from the song's time signatures.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "song/song_data.h"

// Bars and beats count from 1, the tick within the beat from 0.
struct SongPosition {
    std::uint32_t bar = 1;
    std::uint32_t beat = 1;
    std::uint32_t tick = 0;

    bool operator==(const SongPosition&) const = default;
};

// A stretch of the song in one meter, from a time signature to the next.
struct MeterSpan {
    std::uint32_t startTick = 0;        // where the time signature takes effect: a bar starts there
    std::uint64_t firstBar = 1;         // the number of that bar
    std::uint32_t beatsPerBar = 4;      // the numerator
    std::uint8_t beatPower = 2;         // the denominator as a power of two: 2 for a quarter note
};

struct MeterMap {
    std::uint32_t division = 480;    // ticks per quarter note
    std::vector<MeterSpan> spans;    // by start tick, the first at tick 0; none for an SMPTE division
};

// The meter map of a song's tracks (every time signature of every track) and
// its header's division. Before the first time signature the song is in 4/4;
// of two at one tick the later, in track order, counts. A field that makes no
// sense takes the value of 4/4: a numerator of 0, a denominator whose beat is
// shorter than a tick; a division of 0 is taken as 480. A time signature cut
// short before its denominator is ignored.
MeterMap meterMapOf(const std::vector<Track>& tracks, std::uint16_t division);

// The position of `tick`, or nothing for a song timed in SMPTE frames, which
// has no bars. A bar number past 2^32 - 1 stays there.
std::optional<SongPosition> positionAt(const MeterMap& meters, std::uint32_t tick);

// "3:1:000", "12:4:120": bar:beat:tick, the tick in at least three digits.
std::string positionText(const SongPosition& position);

// "3:1" on a beat, "3:1:120" off it, for the status line.
std::wstring shortPositionText(const SongPosition& position);
