#pragma once

#include <string>

// Reads the file at `path` into songData and parses it. On success the drum
// inventory is rebuilt. If the file cannot be opened nothing changes; if it
// opens but does not parse, songData holds what the parse left (see parseSong).
bool loadSong(const std::wstring& path);

// Parses songData.bytes into songData.tracks and songData.division. True when
// the header and every declared track chunk were accepted (and there was at
// least one). The previous tracks are discarded first, whatever the outcome.
bool parseSong();
