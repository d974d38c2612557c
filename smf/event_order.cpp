#include "smf/event_order.h"

#include <algorithm>

EventClass eventClass(const MidiEvent& event) {
    const std::uint8_t kind = event.status & 0xF0;
    if (kind == 0x80) {
        return EventClass::NoteOff;
    }
    if (kind == 0x90) {
        // A note-on with velocity 0 is a release.
        return event.data.size() >= 2 && event.data[1] == 0 ? EventClass::NoteOff : EventClass::NoteOn;
    }
    return EventClass::Other;
}

bool eventOrderLess(const MidiEvent& a, const MidiEvent& b) {
    if (a.tick != b.tick) {
        return a.tick < b.tick;
    }
    return eventClass(a) < eventClass(b);
}

void orderTrackEvents(Track& track) { std::stable_sort(track.begin(), track.end(), eventOrderLess); }
