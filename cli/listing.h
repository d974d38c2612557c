#pragma once

// The drum inventory of the loaded song as text: the rows of the window's drum
// list, and the same as JSON.

#include <cstdint>
#include <string>
#include <vector>

#include "clashes/clash_count.h"
#include "drums/drum_inventory.h"

// One row of the drum list.
struct DrumRow {
    std::int32_t note = 0;
    std::wstring tracks;  // the track label, "2,4,10"
    DrumTarget target = TR4;
};

// The loaded song's rows, in the drum list's order.
std::vector<DrumRow> drumRows();

// One line per row (UTF-8, no line end): track label, destination, "%3d :" and
// the General MIDI name, indented, in columns that line up across the rows.
std::vector<std::string> listingLines(const std::vector<DrumRow>& rows);

// One line per drum track (UTF-8, no line end), indented like the rows: its
// clashing ticks and the most notes that start together, and the ticks where
// one note is struck twice, which no destination can help.
std::vector<std::string> clashLines(const ClashReport& report);

// One element of the "files" array: {"path": ..., "loaded": true, "notes": [...],
// "clashes": {"TR4": {"ticks": n, "largest": k, "self": s}, "TR5": {...}}} for a
// loaded song, {"path": ..., "loaded": false} for one that failed. `indent` is
// put before every line but the first.
std::string jsonFileEntry(const std::wstring& path, bool loaded, const std::vector<DrumRow>& rows,
                          const ClashReport& clashes, const std::string& indent);

// The options that give every note its destination: "--tr4 36,42 --tr5 38".
std::string overrideOptions(const AssignmentMap& destinations);
