#pragma once

#include <bitset>
#include <cstdint>
#include <vector>

#include "drums/drum_inventory.h"
#include "song/song_data.h"

// The drum events of a song, by reference, and where they go: a note-on or a
// release by its note's destination (a release goes where the note-on it ends
// went, which during one split is its note's destination too), every other
// drum-channel event (pressure, controllers...) to both drum tracks. Every
// track keeps the events that are not drum-channel events (isDrumChannelEvent).
// The split only lists the events and the notes of each side: the writer
// applies these rules as it encodes the output (OutputTrack, smf_writer.h).
struct SplitResult {
    EventRefs drums;           // every drum-channel event, in walk order
    std::bitset<256> tr4Notes; // the notes whose note-ons and releases go to TR4,
    std::bitset<256> tr5Notes; // and to TR5 (both for BOTH)
    // With notes on AUTO, whose hits go one by one, the events of each drum
    // track are listed apart instead, in the order of `drums` (routeHitsOfSplit).
    bool routed = false;
    EventRefs tr4Events;
    EventRefs tr5Events;
};

// Takes every drum-channel event out of `tracks`, to be routed by the notes'
// destinations in `assignments` (TR4 for a note it lacks; the map is only
// read). Given the loaded tracks, it splits their format-1 form as well: a
// single track's drum events all stand in one track of that form, its
// channel-10 track. The result refers to the tracks' events, so the tracks
// must outlive it.
SplitResult splitDrumEvents(const std::vector<Track>& tracks, const AssignmentMap& assignments);
SplitResult splitDrumEvents(std::vector<Track>&& tracks, const AssignmentMap& assignments) = delete;

// Lists the events of each drum track apart when some note is on AUTO, once
// `split.drums` is in time order: each hit of such a note goes where
// routeHits sends it, within `nearTicks`, and each of its releases follows
// the latest hit of that note in its track that is still sounding (where
// none is, the note's latest hit). Other events go as the split says.
void routeHitsOfSplit(SplitResult& split, const std::vector<Track>& tracks, const AssignmentMap& assignments,
                      std::uint32_t nearTicks);

// The 0-based index of the TR4 track in a split output, from the loaded tracks,
// whose format-1 form begins with the same first track: 3, or 4 when that is a
// conductor track. TR5 follows it. (A single track's format-1 form begins with
// a conductor track of its own: its saves place the drum tracks at 4.)
std::size_t drumTrackPosition(const std::vector<Track>& tracks);
