#include "song/file_read.h"

#include <cerrno>

#include "song/file_read_parts.h"
#include "song/resident_memory.h"

namespace {

bool readOpenFile(int file, std::vector<std::uint8_t>& content) {
    std::uint64_t size = 0;
    if (!regularFileSize(file, size) || size > kLargestSongFile) {
        return false;
    }
    // Read a piece at a time into the room reserved: room handed to read()
    // would have to be filled with zeros first, a pass over the file for nothing.
    reserveResident(content, static_cast<std::size_t>(size));
    std::uint8_t piece[1 << 16];
    for (;;) {
        const long long n = readSome(file, piece, sizeof piece);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || content.size() + std::size_t(n) > kLargestSongFile) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        content.insert(content.end(), piece, piece + n);
    }
}

}  // namespace

bool readSongFile(const std::wstring& path, std::vector<std::uint8_t>& content) {
    const int file = openRegularFile(path);
    if (file < 0) {
        return false;
    }
    const bool read = readOpenFile(file, content);
    closeFile(file);
    return read;
}
