#include "song/file_path.h"

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
