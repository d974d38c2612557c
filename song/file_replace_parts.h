#pragma once

// What the system-specific halves of the file replacement share
// (file_replace_posix.cpp, file_replace_win32.cpp).

#include <atomic>
#include <cstddef>
#include <filesystem>

#include "song/file_replace.h"

// The bytes of a content in pieces, all told.
std::size_t sizeOf(FileContent content);

// ".song_S.mid.1a2b3c4d.tmp" beside "song_S.mid": a new name at every call.
std::filesystem::path temporaryPathBeside(const std::filesystem::path& target);

// The temporary being written, for removeUnfinishedTemporary; null when none.
extern std::atomic<const std::filesystem::path::value_type*> unfinishedTemporary;
