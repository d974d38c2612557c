#include "smf/file_replace.h"

#include <cerrno>
#include <climits>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif

#include "smf/file_replace_parts.h"
#include "song/file_path.h"

namespace {

constexpr int kMostLinksFollowed = 40;  // the bound Linux itself sets

// How a replacement through a temporary ended.
enum class RenameResult { Replaced, Failed, NotAllowedHere };

// Follows a chain of symbolic links from `path` to the file that writing there
// changes, existing or not (a link may name a file still to be made). Relative
// targets are taken from the link's folder, no path is made absolute, so a
// folder deeper than PATH_MAX is no obstacle. False for a loop.
bool followLinks(std::string& path) {
    for (int followed = 0;; ++followed) {
        struct stat status;
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            return true;
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (followed == kMostLinksFollowed || length <= 0) {
            return false;
        }
        target.resize(static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        path = target.front() == '/' || slash == std::string::npos ? target : path.substr(0, slash + 1) + target;
    }
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

// Extended attributes hold ACLs among others; a new file would not have them.
// Security labels are left out: the system gives every new file its own.
bool hasExtendedAttributes(int file) {
#ifdef __linux__
    std::string names(4096, '\0');
    const ssize_t length = flistxattr(file, names.data(), names.size());
    if (length < 0) {
        return errno == ERANGE;
    }
    for (std::size_t at = 0; at < std::size_t(length); at = names.find('\0', at) + 1) {
        if (names.compare(at, 9, "security.") != 0) {
            return true;
        }
    }
#else
    (void)file;
#endif
    return false;
}

bool writeAll(int file, std::span<const std::uint8_t> bytes, off_t offset) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = pwrite(file, bytes.data() + done, bytes.size() - done, offset + off_t(done));
        if (n < 0 && errno != EINTR) {
            return false;
        }
        done += n > 0 ? std::size_t(n) : 0;
    }
    return true;
}

// A renamed file is on the disk only once its folder is.
bool syncFolder(const std::string& folder) {
    const int handle = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0) {
        return true;  // a folder that may not be read cannot be flushed either
    }
    const bool synced = fsync(handle) == 0 || errno == EINVAL;
    close(handle);
    return synced;
}

mode_t newFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// The temporary is created afresh (never through what stands at its name) and
// readable by its owner only; it takes the old file's owner, group and mode
// before it is renamed over it. Not allowed here: the folder lets no file be
// created or renamed, or the old owner or group cannot be given.
RenameResult replaceThroughTemporary(const std::string& target, const struct stat* old,
                                     std::span<const std::uint8_t> bytes) {
    const std::string temporary = temporaryPathBeside(target).native();
    const std::string folder = folderOf(target);
    unfinishedTemporary = temporary.c_str();
    const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (file < 0) {
        unfinishedTemporary = nullptr;
        const bool refused = errno == EACCES || errno == EPERM || errno == EROFS;
        return refused ? RenameResult::NotAllowedHere : RenameResult::Failed;
    }
    const bool ownerKept = old == nullptr || fchown(file, old->st_uid, old->st_gid) == 0;
    bool written = ownerKept && writeAll(file, bytes, 0) && fdatasync(file) == 0 &&
                   fchmod(file, old != nullptr ? old->st_mode & 07777 : newFileMode()) == 0;
    written = close(file) == 0 && written;
    const bool renamed = written && rename(temporary.c_str(), target.c_str()) == 0;
    const bool renameRefused = written && !renamed && (errno == EACCES || errno == EPERM);
    if (!renamed) {
        unlink(temporary.c_str());
    }
    unfinishedTemporary = nullptr;
    if (renamed) {
        return syncFolder(folder) ? RenameResult::Replaced : RenameResult::Failed;
    }
    return !ownerKept || renameRefused ? RenameResult::NotAllowedHere : RenameResult::Failed;
}

// Keeps the file itself: its other names, owner, ACLs and attributes. The new
// size is reserved first, so that a full disk stops the write before a byte
// of the old content changes.
bool rewriteInPlace(int file, off_t oldSize, std::span<const std::uint8_t> bytes) {
    const off_t size = off_t(bytes.size());
    if (size > oldSize && posix_fallocate(file, 0, size) != 0) {
        ftruncate(file, oldSize);
        return false;
    }
    return writeAll(file, bytes, 0) && ftruncate(file, size) == 0 && fdatasync(file) == 0;
}

}  // namespace

bool replaceFileContents(const std::wstring& path, std::span<const std::uint8_t> bytes) {
    std::string target = filePath(path).native();
    if (!followLinks(target)) {
        return false;
    }
    struct stat old;
    if (lstat(target.c_str(), &old) != 0) {
        return errno == ENOENT && replaceThroughTemporary(target, nullptr, bytes) == RenameResult::Replaced;
    }
    // Looked at before it is opened: opening a device acts on it, and a FIFO
    // waits for a reader.
    if (!S_ISREG(old.st_mode)) {
        return false;
    }
    // An output that cannot be opened for writing (read-only, say) is refused,
    // as writing it directly would be, rather than replaced behind its back.
    const int file = open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (file < 0) {
        return false;
    }
    bool replaced = fstat(file, &old) == 0 && S_ISREG(old.st_mode);
    if (replaced) {
        RenameResult result = RenameResult::NotAllowedHere;
        if (old.st_nlink == 1 && !hasExtendedAttributes(file)) {
            result = replaceThroughTemporary(target, &old, bytes);
        }
        replaced = result == RenameResult::Replaced ||
                   (result == RenameResult::NotAllowedHere && rewriteInPlace(file, old.st_size, bytes));
    }
    close(file);
    return replaced;
}
