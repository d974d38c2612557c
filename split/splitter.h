#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "drums/drum_inventory.h"
#include "song/song_data.h"

// The drum events of a song, by reference, routed to the two drum tracks. The
// tracks keep every other event: those that isTakenBySplit says stay.
struct SplitResult {
    EventRefs tr4;  // drum events routed to TR4, in walk order (not time order)
    EventRefs tr5;
};

// The destinations of the note-ons still open, per (track, note number), most
// recent last: a release takes the destination of the note-on it ends. Tracks
// are walked one after the other and never share a stack, so the map holds the
// stacks of the track being walked, indexed by note number.
struct PendingNoteMap {
    std::array<std::vector<DrumTarget>, 256> stacks;
};

// Whether the split takes the event out of its track: every drum-channel event
// with a data byte (a note number, or a controller's, for instance).
bool isTakenBySplit(const MidiEvent& event);

// Routes every drum-channel event of `tracks` by the note's destination in
// `assignments`: note-ons by their note, releases by the note-on they end,
// other drum-channel events (pressure, controllers...) to both tracks. Given
// the loaded tracks, it splits their format-1 form as well: a single track's
// drum events all stand in one track of that form, its channel-10 track.
// The result refers to the tracks' events, so the tracks must outlive it.
SplitResult splitDrumEvents(const std::vector<Track>& tracks, const AssignmentMap& assignments);
SplitResult splitDrumEvents(std::vector<Track>&& tracks, const AssignmentMap& assignments) = delete;

// The 0-based index of the TR4 track in a split output, from the format-1 form
// of the song: 3, or 4 when its first track is a conductor track. TR5 follows it.
std::size_t drumTrackPosition(const std::vector<Track>& tracks);
