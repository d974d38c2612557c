#pragma once

// The demo song: two bars of a 4/4 groove at 120 bpm, with a conductor track,
// bass and piano, and drums spread over four tracks so that the drum list
// proposes all three destinations and shows clashes. Always the same events.

#include <cstdint>
#include <vector>

#include "song/song_data.h"

inline constexpr std::uint16_t kGrooveDivision = 480;  // ticks per quarter note

std::vector<Track> demoGroove();
