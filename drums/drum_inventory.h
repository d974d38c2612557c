#pragma once

#include <bitset>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "song/song_data.h"

// Where a drum note's events go when the drums are split.
enum DrumTarget : std::int32_t {
    TR4 = 0,
    TR5 = 1,
    BOTH = 2,
    AUTO = 3,  // each hit to TR4 or TR5 on its own, where it clashes least (split/hit_routing.h)
};

// The drum tracks a destination sends all of a note's hits to: BOTH to both,
// AUTO to neither, its hits being routed one by one.
inline bool reachesTr4(DrumTarget target) { return target == TR4 || target == BOTH; }
inline bool reachesTr5(DrumTarget target) { return target == TR5 || target == BOTH; }

// Note number -> destination. operator[] inserts TR4 for an unknown note, which is
// the lookup-with-default the list view wants; the splitter only uses find().
using AssignmentMap = std::map<std::int32_t, DrumTarget>;
using DrumNoteList = std::vector<std::int32_t>;
// Note number -> "2,4,10": the numbers of the tracks the note occurs in.
using TrackLabelMap = std::map<std::int32_t, std::wstring>;

extern AssignmentMap assignmentMap;  // each listed note's destination, edited by the user
extern DrumNoteList drumNoteList;    // distinct drum notes of the loaded song, ascending
extern TrackLabelMap trackLabelMap;  // each listed note's track label

// The notes whose hits each drum track receives under `assignments`, the map
// only read: a note it lacks goes to TR4, as a note the user never changed.
struct DrumTrackNotes {
    std::bitset<256> tr4;
    std::bitset<256> tr5;
    std::bitset<256> routed;  // the notes on AUTO, in neither of the two
};
DrumTrackNotes drumTrackNotes(const AssignmentMap& assignments);

// A leading track with no channel event (only meta and system events, or none)
// is a conductor track and is left out when tracks are numbered for the user.
bool isConductorTrack(const std::vector<Track>& tracks);

// The 1-based number the user knows track `index` by, or 0 for the conductor track.
unsigned userTrackNumber(std::size_t index, bool hasConductorTrack);

// Rebuilds the three structures above from songData.tracks and refills the drum
// list. Run by loadSong after every successful parse, and by nothing else.
void rebuildDrumInventory();
