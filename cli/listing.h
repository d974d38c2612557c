#pragma once

// The drum inventory of the loaded song as text: the rows of the window's drum
// list, and the same as JSON.

#include <cstdint>
#include <string>
#include <vector>

#include "clashes/clash_count.h"
#include "drums/drum_inventory.h"
#include "song/song_position.h"

// One row of the drum list.
struct DrumRow {
    std::int32_t note = 0;
    std::wstring tracks;  // the track label, "2,4,10"
    DrumTarget target = TR4;
    std::size_t clashes = 0;    // its clashing ticks, as the window's row gives them
    std::size_t nearHits = 0;      // its hits cut short by a near hit
    std::size_t routedTr4 = 0;  // on AUTO: its hits sent to each drum track
    std::size_t routedTr5 = 0;
};

// The loaded song's rows, in the drum list's order, with their counts from `counts`.
std::vector<DrumRow> drumRows(const ClashCounts& counts = {});

// One line per row (UTF-8, no line end): track label, destination, "%3d :" and
// the General MIDI name, indented, in columns that line up across the rows;
// then, for a note on AUTO, how its hits went ("TR4 812 / TR5 37"), and its
// clashes as the window's row shows them ("12 clashes, 40 near").
std::vector<std::string> listingLines(const std::vector<DrumRow>& rows);

// One line per drum track (UTF-8, no line end), indented like the rows: its
// clashing ticks and the most notes that start together, and the ticks where
// one note is struck twice, which no destination can help.
std::vector<std::string> clashLines(const ClashReport& report);

// One line per clash (UTF-8, no line end), indented: bar:beat:tick (the tick
// alone for a song timed in SMPTE frames), the drum track, the notes, and
// "near" for a near clash.
std::vector<std::string> placeLines(const std::vector<ClashPlace>& places, const MeterMap& meters);

// One element of the "files" array: {"path": ..., "loaded": true, "notes": [...],
// "clashes": {"TR4": {"ticks": n, "largest": k, "self": s}, "TR5": {...}}} for a
// loaded song, {"path": ..., "loaded": false} for one that failed. `indent` is
// put before every line but the first.
// Each note also has "clashes" and "near", and on AUTO "hits": {"TR4": n, "TR5": m}.
// With `places`, the entry ends with "where": [{"at": "3:1:000", "tick": t,
// "track": "TR4", "notes": [...], "near": false}, ...].
std::string jsonFileEntry(const std::wstring& path, bool loaded, const std::vector<DrumRow>& rows,
                          const ClashReport& clashes, const std::string& indent,
                          const std::vector<ClashPlace>* places = nullptr, const MeterMap* meters = nullptr);

// The options that give every note its destination: "--tr4 36,42 --tr5 38 --per-hit 40".
std::string overrideOptions(const AssignmentMap& destinations);
