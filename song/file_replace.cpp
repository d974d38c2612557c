#include "song/file_replace.h"

#include <cstdint>
#include <random>

#include "song/file_replace_parts.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;

std::atomic<const fs::path::value_type*> unfinishedTemporary{nullptr};
WriteFailure lastWriteFailure = WriteFailure::Other;

bool replaceFileContents(const std::wstring& path, std::span<const std::uint8_t> bytes) {
    return replaceFileContents(path, FileContent(&bytes, 1));
}

std::size_t sizeOf(FileContent content) {
    std::size_t size = 0;
    for (const std::span<const std::uint8_t> piece : content) {
        size += piece.size();
    }
    return size;
}

// Built from native strings only, so that no conversion can fail on a name of
// any script. File systems take names of up to 255 bytes or UTF-16 units: an
// output whose name leaves no room for the 14 more gets a temporary of a short
// name of its own.
fs::path temporaryPathBeside(const fs::path& target) {
    static std::uint32_t counter = 0;
    static const std::uint32_t seed = std::random_device{}();
    // 2^32 divided by the golden ratio: an odd step, so a run repeats no name in
    // 2^32 calls, and a large one, so that successive names differ in every digit.
    const std::uint32_t unique = seed + 0x9E3779B9u * ++counter;
    char suffix[] = ".00000000.tmp";
    constexpr char hex[] = "0123456789abcdef";
    for (int i = 0; i < 8; ++i) {
        suffix[1 + i] = hex[(unique >> (28 - 4 * i)) & 0xF];
    }
    constexpr std::size_t kLongestName = 255;
    fs::path name(".");
    if (target.filename().native().size() + 1 + sizeof suffix - 1 <= kLongestName) {
        name += target.filename().native();
    } else {
        name += "tessaline";
    }
    name += suffix;
    return target.parent_path() / name;
}

// Windows has its own (file_replace_win32.cpp): there the ending runs on a
// thread of its own, beside the save, and waits for the save's step under way.
#ifndef _WIN32
void removeUnfinishedTemporary() {
    if (const fs::path::value_type* name = unfinishedTemporary.load()) {
        unlink(name);
    }
}
#endif
