#include "smf/file_replace.h"

#include <algorithm>

#include <windows.h>

#include "smf/file_replace_parts.h"
#include "song/file_path.h"

namespace {

bool writeAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) {
            return false;
        }
        done += written;
    }
    return true;
}

// An existing output that cannot be opened for writing (read-only, held by
// another program, a folder, a device) is refused, as writing it directly
// would be, rather than replaced behind its back by the rename.
bool existingOutputWritable(const std::wstring& target) {
    if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    const HANDLE probe = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool disk = GetFileType(probe) == FILE_TYPE_DISK;
    CloseHandle(probe);
    return disk;
}

}  // namespace

bool replaceFileContents(const std::wstring& path, std::span<const std::uint8_t> bytes) {
    const std::wstring target = extendedLengthPath(path);
    if (!existingOutputWritable(target)) {
        return false;
    }
    const std::wstring temporary = extendedLengthPath(temporaryPathBeside(std::filesystem::path(path)).native());
    unfinishedTemporary = temporary.c_str();
    const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        unfinishedTemporary = nullptr;
        return false;
    }
    bool replaced = writeAll(file, bytes) && FlushFileBuffers(file);
    replaced = CloseHandle(file) && replaced;
    replaced = replaced && MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!replaced) {
        DeleteFileW(temporary.c_str());
    }
    unfinishedTemporary = nullptr;
    return replaced;
}
