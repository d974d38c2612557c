#pragma once

// What the writer does with single events, numbers and output tracks, for the tests.

#include <cstdint>
#include <vector>

#include "smf/smf_writer.h"

// Appends one event's bytes (after its delta time). Returns false, appending
// nothing, for an event too short to be written: a meta event without its type
// byte, a channel message without the data bytes its kind takes.
bool writeEventBytes(ByteBuffer& out, const MidiEvent& event);

// Appends a variable-length quantity: one to five bytes for any 32-bit value.
void writeVarLen(ByteBuffer& out, std::uint32_t value);

// The events that output tracks take, copied, in the order they are taken
// (`listed` as listed): what their chunks hold before the writer's own rules.
Track eventsOf(const OutputTrack& track);
std::vector<Track> eventsOf(const std::vector<OutputTrack>& tracks);
Track eventsOf(const EventRefs& events);
