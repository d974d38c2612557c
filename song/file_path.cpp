#include "song/file_path.h"

#include "song/utf8.h"

std::filesystem::path filePath(const std::wstring& path) {
#ifdef _WIN32
    return std::filesystem::path(path);
#else
    return std::filesystem::path(toUtf8(path));
#endif
}
