#include "song/file_replace.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include <windows.h>

#include "song/file_replace_parts.h"
#include "song/file_path.h"
#include "song/file_read.h"

namespace fs = std::filesystem;

namespace {

// The largest file rewritten in place: its old content is held in memory to be
// put back should the rewrite fail. The reader's own bound on a song.
constexpr std::uint64_t kLargestRewritten = kLargestSongFile;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// How a replacement through a temporary ended.
enum class RenameResult { Replaced, Failed, NotAllowedHere };

// Windows runs Ctrl-C and the console's other ending events on a thread of
// their own while the save goes on. The steps that must not be cut short (the
// temporary's creation, its rename, a rewrite in place) hold this lock, and an
// ending takes it for good (removeUnfinishedTemporary): the program ends
// between steps, and no step starts after.
std::recursive_mutex uninterrupted;
std::atomic<bool> ending{false};

// Held over a step that must not be cut short. Once the step is done, a save
// that an ending waited for goes no further: the ending is the user's answer.
class UninterruptedStep {
public:
    UninterruptedStep() { uninterrupted.lock(); }
    ~UninterruptedStep() {
        uninterrupted.unlock();
        if (ending) {
            Sleep(INFINITE);
        }
    }
    UninterruptedStep(const UninterruptedStep&) = delete;
    UninterruptedStep& operator=(const UninterruptedStep&) = delete;
};

// Why a write, a flush or a move failed, from its error.
WriteFailure failureOf(DWORD error) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE: return WriteFailure::InUse;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return WriteFailure::DiskFull;
        case ERROR_WRITE_PROTECT: return WriteFailure::ReadOnly;
        default: return WriteFailure::Other;
    }
}

// The folder lets no file be made: its ACL, or a write-protected disk.
bool creationRefused(DWORD error) { return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT; }

bool seek(HANDLE file, std::uint64_t offset) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) != FALSE;
}

bool writeAll(HANDLE file, FileContent content) {
    for (const std::span<const std::uint8_t> bytes : content) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
            DWORD written = 0;
            if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) {
                return false;
            }
            done += written;
        }
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> readAll(HANDLE file, std::uint64_t size) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!seek(file, 0)) {
        return std::nullopt;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data() + done, chunk, &read, nullptr) || read == 0) {
            return std::nullopt;  // cut short meanwhile, or unreadable
        }
        done += read;
    }
    return bytes;
}

// Opened for reading too where it may be, for a rewrite in place.
HANDLE openForWriting(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        file = CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    }
    return file;
}

// The file that an open handle reaches, links followed, in its extended-length
// form. Where the system cannot say (some network file systems), the path as
// given serves, unless it is a link: then nobody can tell where it leads.
std::wstring finalPath(HANDLE file, const std::wstring& given) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) {
            break;
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);
    }
    const DWORD attributes = GetFileAttributesW(given.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return std::wstring();
    }
    const DWORD length = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    std::wstring full(length, L'\0');
    if (length == 0 || GetFullPathNameW(given.c_str(), length, full.data(), nullptr) >= length) {
        return std::wstring();
    }
    full.resize(length - 1);
    return extendedLengthPath(full);
}

// Why a file that is there could not be opened for writing. Access is denied
// for many reasons (an ACL, a folder at the path); the read-only attribute is
// the one a user sets and can clear.
WriteFailure refusalOf(const std::wstring& path, DWORD error) {
    if (error != ERROR_ACCESS_DENIED) {
        return failureOf(error);
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool readOnlyFile = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
                              (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return readOnlyFile ? WriteFailure::ReadOnly : WriteFailure::Other;
}

bool nothingAt(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND;
}

// The attributes (hidden, system) and the creation time of the file replaced,
// given to the new one. ReplaceFileW merges its ACL, owner and named streams.
bool keepBasicInformation(HANDLE file, const BY_HANDLE_FILE_INFORMATION& old) {
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO information{};  // times left at zero stay as they are
    information.CreationTime.LowPart = old.ftCreationTime.dwLowDateTime;
    information.CreationTime.HighPart = static_cast<LONG>(old.ftCreationTime.dwHighDateTime);
    information.FileAttributes = (old.dwFileAttributes & kKept) != 0 ? old.dwFileAttributes & kKept
                                                                     : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(file, FileBasicInfo, &information, sizeof information) != FALSE;
}

// The temporary is created afresh and shared for deletion, so that an ending
// can remove it while it is being written. It is flushed before it takes the
// old file's place (or a new output's name). Not allowed here: the folder lets
// no file be made, or the old file's attributes cannot be given, or the old
// file may not be removed or its ACL given.
RenameResult replaceThroughTemporary(const std::wstring& target, const BY_HANDLE_FILE_INFORMATION* old,
                                     FileContent content) {
    const std::wstring temporary = temporaryPathBeside(fs::path(target)).native();
    HANDLE file;
    {
        UninterruptedStep step;
        unfinishedTemporary = temporary.c_str();
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            unfinishedTemporary = nullptr;
            if (creationRefused(error)) {
                return RenameResult::NotAllowedHere;
            }
            lastWriteFailure = failureOf(error);
            return RenameResult::Failed;
        }
    }
    const bool kept = old == nullptr || keepBasicInformation(file, *old);
    bool written = kept && writeAll(file, content) && FlushFileBuffers(file);
    written = CloseHandle(file) && written;
    if (kept && !written) {
        lastWriteFailure = failureOf(GetLastError());
    }

    UninterruptedStep step;
    RenameResult result = kept ? RenameResult::Failed : RenameResult::NotAllowedHere;
    bool keepTemporary = false;
    if (written && old == nullptr) {
        if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
            result = RenameResult::Replaced;
        } else {
            lastWriteFailure = failureOf(GetLastError());
        }
    } else if (written) {
        if (ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, 0, nullptr, nullptr)) {
            result = RenameResult::Replaced;
        } else {
            const DWORD error = GetLastError();
            switch (error) {
                case ERROR_ACCESS_DENIED:
                case ERROR_SHARING_VIOLATION:
                case ERROR_UNABLE_TO_REMOVE_REPLACED: result = RenameResult::NotAllowedHere; break;
                case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
                    // The old file is gone already, the new one whole under the
                    // temporary's name: the move is all that is left, and should
                    // even it fail, the temporary is the song.
                    keepTemporary = !MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
                    result = keepTemporary ? RenameResult::Failed : RenameResult::Replaced;
                    break;
                default: lastWriteFailure = failureOf(error); break;
            }
        }
    }
    if (result != RenameResult::Replaced && !keepTemporary) {
        DeleteFileW(temporary.c_str());
    }
    unfinishedTemporary = nullptr;
    return result;
}

// Makes `content` the file's whole content and flushes it. Growing the file
// reserves its new size first, so that a full disk stops the write before a
// byte changes.
bool overwrite(HANDLE file, FileContent content) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
        return false;
    }
    const std::uint64_t length = sizeOf(content);
    if (length > static_cast<std::uint64_t>(size.QuadPart) && !(seek(file, length) && SetEndOfFile(file))) {
        return false;
    }
    return seek(file, 0) && writeAll(file, content) && seek(file, length) && SetEndOfFile(file) &&
           FlushFileBuffers(file);
}

// Writes `bytes` to the side copy `copy`: to a temporary first, so that the
// copy's name stands only for a whole copy.
bool writeSideCopy(const std::wstring& copy, std::span<const std::uint8_t> bytes) {
    const std::wstring temporary = temporaryPathBeside(fs::path(copy)).native();
    const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        lastWriteFailure = creationRefused(error) ? WriteFailure::FolderNotWritable : failureOf(error);
        return false;
    }
    bool written = writeAll(file, FileContent(&bytes, 1)) && FlushFileBuffers(file);
    written = CloseHandle(file) && written && MoveFileExW(temporary.c_str(), copy.c_str(), MOVEFILE_WRITE_THROUGH);
    if (!written) {
        lastWriteFailure = failureOf(GetLastError());
        DeleteFileW(temporary.c_str());
    }
    return written;
}

// Keeps the file itself: its other names, and all that ReplaceFileW would
// not. The song as it was goes first to a side copy on the disk, so that a
// kill or a power cut in the middle leaves one whole song or the other; a
// failure puts the old content back from memory. Should even that fail, the
// side copy stays, the one whole copy of the song, for the user to recover.
bool rewriteInPlace(HANDLE file, const std::wstring& target, FileContent content) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || static_cast<std::uint64_t>(size.QuadPart) > kLargestRewritten) {
        return false;
    }
    const auto previous = readAll(file, static_cast<std::uint64_t>(size.QuadPart));
    if (!previous) {
        return false;
    }
    const std::wstring copy = sideCopyBeside(fs::path(target)).native();
    UninterruptedStep step;
    bool rewritten = false;
    const std::span<const std::uint8_t> old = *previous;
    if (writeSideCopy(copy, old)) {
        rewritten = overwrite(file, content);
        if (!rewritten) {
            lastWriteFailure = failureOf(GetLastError());
        }
        if (rewritten || overwrite(file, FileContent(&old, 1))) {
            DeleteFileW(copy.c_str());
        }
    }
    return rewritten;
}

}  // namespace

bool replaceFileContents(const std::wstring& path, FileContent content) {
    lastWriteFailure = WriteFailure::Other;
    const std::wstring given = extendedLengthPath(path);
    HANDLE file = openForWriting(given);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // Nothing there: a new output. Anything else that cannot be opened for
        // writing (read-only, held by another program, a folder, a link to
        // nothing) is refused, as writing it directly would be.
        if (!nothingAt(given)) {
            lastWriteFailure = refusalOf(given, error);
            return false;
        }
        if (!nothingAt(sideCopyBeside(fs::path(given)).native())) {
            return false;
        }
        const RenameResult result = replaceThroughTemporary(given, nullptr, content);
        if (result == RenameResult::NotAllowedHere) {
            lastWriteFailure = WriteFailure::FolderNotWritable;
        }
        return result == RenameResult::Replaced;
    }
    BY_HANDLE_FILE_INFORMATION old{};
    std::wstring target;
    if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &old)) {
        target = finalPath(file, given);
    }
    // A side copy beside the file means a save of it was cut short: the file
    // may be damaged and the copy the one whole song. It is for the user to
    // look at, not for the next save to pass over.
    if (target.empty() || !nothingAt(sideCopyBeside(fs::path(target)).native())) {
        CloseHandle(file);
        return false;
    }
    RenameResult result = RenameResult::NotAllowedHere;
    // A new file would not have the other names of a hard link. ReplaceFileW
    // opens the old file for itself.
    if (old.nNumberOfLinks == 1) {
        CloseHandle(file);
        result = replaceThroughTemporary(target, &old, content);
        file = result == RenameResult::NotAllowedHere ? openForWriting(target) : INVALID_HANDLE_VALUE;
    }
    const bool replaced = result == RenameResult::Replaced ||
                          (file != INVALID_HANDLE_VALUE && rewriteInPlace(file, target, content));
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    return replaced;
}

// Called on the way out, on the thread that Windows gives the console event:
// waits for a step under way to end, removes the temporary, and lets no step
// start after.
void removeUnfinishedTemporary() {
    ending = true;
    uninterrupted.lock();
    if (const fs::path::value_type* name = unfinishedTemporary.load()) {
        DeleteFileW(name);
    }
}
