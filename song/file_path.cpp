#include "song/file_path.h"

#include <cstdint>
#include <system_error>
#include <vector>

#include "song/utf8.h"

std::filesystem::path filePath(const std::wstring& path) {
#ifdef _WIN32
    return std::filesystem::path(extendedLengthPath(path));
#else
    return std::filesystem::path(toFileNameBytes(path));
#endif
}

std::wstring extendedLengthPath(std::wstring_view path) {
    constexpr std::size_t kLongPath = 248;
    const auto isSeparator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const bool drive = path.size() >= 3 && path[1] == L':' && isSeparator(path[2]) &&
                       ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
    const bool share = path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
    const bool prefixed = share && path.size() >= 4 && (path[2] == L'?' || path[2] == L'.') && isSeparator(path[3]);
    if (path.size() < kLongPath || prefixed || (!drive && !share)) {
        return std::wstring(path);
    }
    // The parts after "C:" or after "\\"; a share's first two are its server and name.
    std::vector<std::wstring_view> parts;
    const std::size_t kept = drive ? 0 : 2;
    for (std::size_t at = 2; at < path.size();) {
        std::size_t end = at;
        while (end < path.size() && !isSeparator(path[end])) {
            ++end;
        }
        const std::wstring_view part = path.substr(at, end - at);
        if (part == L"..") {
            if (parts.size() > kept) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::wstring out = drive ? L"\\\\?\\" + std::wstring(path.substr(0, 2)) : L"\\\\?\\UNC";
    for (const std::wstring_view part : parts) {
        out += L'\\';
        out += part;
    }
    return out;
}

std::filesystem::path sideCopyBeside(const std::filesystem::path& file) {
    constexpr std::size_t kLongestName = 255;  // bytes, or UTF-16 units on Windows
    constexpr std::size_t kSuffix = 14;        // ".tessaline-old"
    auto name = file.filename().native();
    if (name.size() + kSuffix > kLongestName) {
        std::uint32_t hash = 2166136261u;  // FNV-1a
        for (const auto unit : name) {
            hash = (hash ^ std::uint32_t(unit)) * 16777619u;
        }
        name.resize(kLongestName - kSuffix - 9);
        name += '~';
        for (int i = 0; i < 8; ++i) {
            name += "0123456789abcdef"[(hash >> (28 - 4 * i)) & 0xF];
        }
    }
    std::filesystem::path copy = file.parent_path() / name;
    copy += ".tessaline-old";
    return copy;
}

std::wstring leftSideCopy(const std::wstring& path) {
    const std::filesystem::path file = filePath(path);
    std::error_code error;
    std::filesystem::path copy = sideCopyBeside(file);
    if (!std::filesystem::exists(std::filesystem::symlink_status(copy, error))) {
        // The file rewritten is the one a link names.
        const std::filesystem::path target = std::filesystem::canonical(file, error);
        if (error) {
            return std::wstring();
        }
        copy = sideCopyBeside(target);
        if (!std::filesystem::exists(std::filesystem::symlink_status(copy, error))) {
            return std::wstring();
        }
    }
#ifdef _WIN32
    return copy.native();
#else
    return fromFileNameBytes(copy.native());
#endif
}
