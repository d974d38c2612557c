#pragma once

// Reading a song's file whole. The system's calls are in file_read_posix.cpp
// or file_read_win32.cpp, one of which each build links.

#include <cstdint>
#include <string>
#include <vector>

// Songs are kilobytes, rarely megabytes: a file past this is no song, and
// reading it would only exhaust memory.
inline constexpr std::uint64_t kLargestSongFile = std::uint64_t{256} << 20;

// Reads the file at `path` whole into `content`, to its end (a file of the
// system may report no size and yet hold bytes). Only a regular file is read:
// a device, a pipe or a FIFO may have no end, and a folder is no song. False
// for those, for a file larger than kLargestSongFile, one that cannot be
// opened, and a read error.
bool readSongFile(const std::wstring& path, std::vector<std::uint8_t>& content);
