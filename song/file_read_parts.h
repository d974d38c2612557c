#pragma once

// The system's side of reading a song's file (file_read_posix.cpp,
// file_read_win32.cpp), for file_read.cpp.

#include <cstddef>
#include <cstdint>
#include <string>

// A handle to a regular file open for reading, or -1 when the path names
// anything else or cannot be opened.
int openRegularFile(const std::wstring& path);

// The size of the open file; false when it is no longer a regular file.
bool regularFileSize(int file, std::uint64_t& size);

// Up to `count` bytes read on from where the last read ended: their number,
// 0 at the end, or -1 with errno set.
long long readSome(int file, std::uint8_t* to, std::size_t count);

void closeFile(int file);
