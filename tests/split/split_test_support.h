#pragma once

#include "smf/smf_writer_internal.h"
#include "support/smf_builder.h"

// Short names for the drum events the split tests build.
inline MidiEvent on(std::uint32_t tick, std::uint8_t note, std::uint8_t channel = 9) {
    return ev(tick, std::uint8_t(0x90 | channel), {note, 0x64});
}
inline MidiEvent off(std::uint32_t tick, std::uint8_t note, std::uint8_t channel = 9) {
    return ev(tick, std::uint8_t(0x80 | channel), {note, 0x40});
}
inline MidiEvent tempo(std::uint32_t tick) { return meta(tick, 0x51, {0x07, 0xA1, 0x20}); }

