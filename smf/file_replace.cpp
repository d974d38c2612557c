#include "smf/file_replace.h"

#include <filesystem>
#include <fstream>
#include <random>

#include "song/file_path.h"

namespace fs = std::filesystem;

namespace {

// ".song_S.mid.1a2b3c4d.tmp" beside "song_S.mid". Built from native strings
// only, so that no conversion can fail on a name of any script. File systems
// take names of up to 255 bytes or UTF-16 units: an output whose name leaves
// no room for the 14 more gets a temporary of a short name of its own.
fs::path temporaryPathBeside(const fs::path& target) {
    static std::uint32_t counter = 0;
    static const std::uint32_t seed = std::random_device{}();
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

// The file that writing to `path` should change: through a symbolic link, the
// file it names, since the rename would otherwise replace the link itself.
fs::path resolvedTarget(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec)) {
        return path;
    }
    const fs::path resolved = fs::weakly_canonical(path, ec);
    return ec ? path : resolved;
}

// An existing output that cannot be opened for writing (read-only, held by
// another program, a directory) is refused, as a direct open would refuse it,
// rather than replaced behind its back by the rename.
bool existingOutputWritable(const fs::path& target) {
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (ec || !fs::exists(status)) {
        return true;
    }
    if (fs::is_directory(status)) {
        return false;
    }
    std::ofstream probe(target, std::ios::binary | std::ios::in | std::ios::out);  // does not truncate
    return static_cast<bool>(probe);
}

}  // namespace

bool replaceFileContents(const std::wstring& path, std::span<const std::uint8_t> bytes) {
    const fs::path target = resolvedTarget(filePath(path));
    if (!existingOutputWritable(target)) {
        return false;
    }

    const fs::path temporary = temporaryPathBeside(target);
    bool written = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        written = out.good();
        out.close();
        written = written && !out.fail();
    }

    std::error_code ec;
    if (written) {
        // The replaced file keeps its permissions.
        const fs::file_status old = fs::status(target, ec);
        if (!ec && fs::exists(old)) {
            fs::permissions(temporary, old.permissions(), ec);
        }
        ec.clear();
        fs::rename(temporary, target, ec);
        written = !ec;
    }
    if (!written) {
        fs::remove(temporary, ec);
    }
    return written;
}
