#include "song/file_replace.h"

#include <cerrno>
#include <algorithm>
#include <climits>
#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/uio.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif

#include "song/file_replace_parts.h"
#include "song/file_path.h"
#include "song/file_read.h"

namespace {

constexpr int kMostLinksFollowed = 40;  // the bound Linux itself sets

// The largest file rewritten in place: its old content is held in memory to be
// put back should the rewrite fail. The reader's own bound on a song.
constexpr off_t kLargestRewritten = off_t(kLargestSongFile);

// How a replacement through a temporary ended.
enum class RenameResult { Replaced, Failed, NotAllowedHere };

// Why a write, a flush or a rename failed, from its errno. A file-size limit
// stops a song as a full disk does.
WriteFailure failureOf(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return WriteFailure::DiskFull;
        case ETXTBSY:
        case EBUSY: return WriteFailure::InUse;
        case EROFS: return WriteFailure::ReadOnly;
        default: return WriteFailure::Other;
    }
}

// The folder lets no file be made: its permissions, an immutable folder, a read-only disk.
bool creationRefused(int error) { return error == EACCES || error == EPERM || error == EROFS; }

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

// A sticky folder that anyone may write to (/tmp, a shared drop folder) holds
// the files of many users. There, as the kernel rules for programs that open
// paths (fs.protected_symlinks, fs.protected_regular), a link is followed and
// a file written only when it belongs to the caller or to the folder's owner:
// a stranger's link or file would turn the save against a file of the caller's
// choosing, or leave the output in the stranger's hands. Root is no exception.
bool ownerTrustedIn(const std::string& folder, uid_t owner) {
    struct stat status;
    if (stat(folder.c_str(), &status) != 0) {
        return false;
    }
    const bool shared = (status.st_mode & S_ISVTX) != 0 && (status.st_mode & S_IWOTH) != 0;
    return !shared || owner == geteuid() || owner == status.st_uid;
}

// Follows a chain of symbolic links from `path` to the file that writing there
// changes, existing or not (a link may name a file still to be made). Relative
// targets are taken from the link's folder, no path is made absolute, so a
// folder deeper than PATH_MAX is no obstacle. False for a loop, and for a link
// that the kernel would not follow either.
bool followLinks(std::string& path) {
    for (int followed = 0;; ++followed) {
        struct stat status;
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            return true;
        }
        if (!ownerTrustedIn(folderOf(path), status.st_uid)) {
            return false;
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

// Writes the pieces from the start of the file, as many in one call as it takes.
bool writeAll(int file, FileContent content) {
    off_t offset = 0;
    std::size_t piece = 0;  // the first piece not written whole
    std::size_t done = 0;   // and its bytes written
    while (piece < content.size()) {
        iovec parts[256];
        int count = 0;
        for (std::size_t k = piece; k < content.size() && count < 256; ++k) {
            const std::size_t skip = k == piece ? done : 0;
            parts[count++] = {const_cast<std::uint8_t*>(content[k].data()) + skip, content[k].size() - skip};
        }
        const ssize_t n = pwritev(file, parts, count, offset);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        offset += n;
        std::size_t left = std::size_t(n);
        while (piece < content.size() && left >= content[piece].size() - done) {
            left -= content[piece].size() - done;
            done = 0;
            ++piece;
        }
        done += left;
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> readAll(int file, off_t size) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = pread(file, bytes.data() + done, bytes.size() - done, off_t(done));
        if (n == 0 || (n < 0 && errno != EINTR)) {
            return std::nullopt;  // cut short meanwhile, or unreadable
        }
        done += n > 0 ? std::size_t(n) : 0;
    }
    return bytes;
}

// A copy-on-write file system (btrfs, XFS with shared blocks) writes even an
// overwrite to new blocks, and once out of room cannot put the old bytes back
// either. So a rewrite in place goes ahead only with room on the disk for the
// side copy and for the whole new content.
bool roomFor(int file, std::uint64_t bytes) {
    struct statvfs disk;
    // Without figures (some network file systems give none), the side copy
    // still keeps the song.
    if (fstatvfs(file, &disk) != 0 || disk.f_blocks == 0) {
        return true;
    }
    return std::uint64_t(disk.f_bavail) * disk.f_frsize >= bytes;
}

// Whether the file holds exactly `bytes`: a write that failed may have changed nothing.
bool holds(int file, std::span<const std::uint8_t> bytes) {
    struct stat now;
    if (fstat(file, &now) != 0 || std::size_t(now.st_size) != bytes.size()) {
        return false;
    }
    const std::optional<std::vector<std::uint8_t>> content = readAll(file, now.st_size);
    return content && std::equal(content->begin(), content->end(), bytes.begin());
}

// A new or renamed file is on the disk only once its folder is.
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
RenameResult replaceThroughTemporary(const std::string& target, const struct stat* old, FileContent content) {
    const std::string temporary = temporaryPathBeside(target).native();
    const std::string folder = folderOf(target);
    unfinishedTemporary = temporary.c_str();
    const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (file < 0) {
        unfinishedTemporary = nullptr;
        if (creationRefused(errno)) {
            return RenameResult::NotAllowedHere;
        }
        lastWriteFailure = failureOf(errno);
        return RenameResult::Failed;
    }
    const bool ownerKept = old == nullptr || fchown(file, old->st_uid, old->st_gid) == 0;
    bool written = ownerKept && writeAll(file, content) && fdatasync(file) == 0 &&
                   fchmod(file, old != nullptr ? old->st_mode & 07777 : newFileMode()) == 0;
    written = close(file) == 0 && written;
    const bool renamed = written && rename(temporary.c_str(), target.c_str()) == 0;
    const int error = errno;  // of the step that failed
    const bool renameRefused = written && !renamed && (error == EACCES || error == EPERM);
    if (!renamed) {
        unlink(temporary.c_str());
    }
    unfinishedTemporary = nullptr;
    if (renamed) {
        return syncFolder(folder) ? RenameResult::Replaced : RenameResult::Failed;
    }
    if (!ownerKept || renameRefused) {
        return RenameResult::NotAllowedHere;
    }
    lastWriteFailure = failureOf(error);
    return RenameResult::Failed;
}

// The signals that end the tool (Ctrl-C, SIGTERM, SIGHUP, and a file-size
// limit's SIGXFSZ) wait while the file itself is being rewritten, and act once
// it is whole again.
sigset_t holdEndingSignals() {
    sigset_t ending, previous;
    sigemptyset(&ending);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ}) {
        sigaddset(&ending, signal);
    }
    sigprocmask(SIG_BLOCK, &ending, &previous);
    return previous;
}

// Makes `content` the file's whole content and flushes it; false with errno
// set. Growing the file reserves its new size first, so that a full disk stops
// the write before a byte changes.
bool overwrite(int file, FileContent content) {
    const off_t length = off_t(sizeOf(content));
    struct stat now;
    if (fstat(file, &now) != 0) {
        return false;
    }
    if (length > now.st_size) {
        if (const int error = posix_fallocate(file, 0, length); error != 0) {
            errno = error;
            return false;
        }
    }
    return writeAll(file, content) && ftruncate(file, length) == 0 && fdatasync(file) == 0;
}

// Writes `bytes` to the side copy `copy`: to a temporary first, so that the
// copy's name stands only for a whole copy, flushed with its folder.
bool writeSideCopy(const std::string& copy, std::span<const std::uint8_t> bytes) {
    const std::string temporary = temporaryPathBeside(copy).native();
    const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (file < 0) {
        lastWriteFailure = creationRefused(errno) ? WriteFailure::FolderNotWritable : failureOf(errno);
        return false;
    }
    bool written = writeAll(file, FileContent(&bytes, 1)) && fdatasync(file) == 0;
    written = close(file) == 0 && written && rename(temporary.c_str(), copy.c_str()) == 0;
    if (!written) {
        lastWriteFailure = failureOf(errno);
        unlink(temporary.c_str());
        return false;
    }
    if (!syncFolder(folderOf(copy))) {
        unlink(copy.c_str());
        return false;
    }
    return true;
}

void removeSideCopy(const std::string& copy) {
    unlink(copy.c_str());
    syncFolder(folderOf(copy));
}

// Keeps the file itself: its other names, owner, ACLs and attributes. The song
// as it was goes first to a side copy on the disk, so that a kill or a power
// cut in the middle leaves one whole song or the other; a failure puts the old
// content back from memory. Should even that fail, the side copy stays, the
// one whole copy of the song, for the user to recover.
bool rewriteInPlace(int file, const std::string& target, off_t size, FileContent content) {
    if (size > kLargestRewritten) {
        return false;
    }
    if (!roomFor(file, std::uint64_t(size) + sizeOf(content))) {
        lastWriteFailure = WriteFailure::DiskFull;
        return false;
    }
    const std::optional<std::vector<std::uint8_t>> previous = readAll(file, size);
    if (!previous) {
        return false;
    }
    const std::string copy = sideCopyBeside(target).native();
    const sigset_t signals = holdEndingSignals();
    bool rewritten = false;
    const std::span<const std::uint8_t> old = *previous;
    if (writeSideCopy(copy, old)) {
        rewritten = overwrite(file, content);
        if (!rewritten) {
            lastWriteFailure = failureOf(errno);
        }
        // A copy-on-write file system out of room refuses the old bytes too,
        // but then it has written none of the new ones either.
        if (rewritten || overwrite(file, FileContent(&old, 1)) || holds(file, old)) {
            removeSideCopy(copy);
        }
    }
    sigprocmask(SIG_SETMASK, &signals, nullptr);
    return rewritten;
}

}  // namespace

bool replaceFileContents(const std::wstring& path, FileContent content) {
    lastWriteFailure = WriteFailure::Other;
    std::string target = filePath(path).native();
    if (!followLinks(target)) {
        return false;
    }
    // A side copy beside the file means a save of it was cut short: the file
    // may be damaged and the copy the one whole song. It is for the user to
    // look at, not for the next save to pass over.
    struct stat old;
    if (lstat(sideCopyBeside(target).c_str(), &old) == 0 || errno != ENOENT) {
        return false;
    }
    if (lstat(target.c_str(), &old) != 0) {
        if (errno != ENOENT) {
            return false;
        }
        const RenameResult result = replaceThroughTemporary(target, nullptr, content);
        if (result == RenameResult::NotAllowedHere) {
            lastWriteFailure = WriteFailure::FolderNotWritable;
        }
        return result == RenameResult::Replaced;
    }
    // Looked at before it is opened: opening a device acts on it, and a FIFO
    // waits for a reader.
    if (!S_ISREG(old.st_mode)) {
        return false;
    }
    // An output that cannot be opened for writing (read-only, say) is refused,
    // as writing it directly would be, rather than replaced behind its back. It
    // is opened for reading too where it may be, for a rewrite in place.
    constexpr int kFlags = O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC;
    int file = open(target.c_str(), O_RDWR | kFlags);
    if (file < 0 && errno == EACCES) {
        file = open(target.c_str(), O_WRONLY | kFlags);
    }
    if (file < 0) {
        // Its permissions, an immutable file or a read-only disk; a program running from it.
        lastWriteFailure = errno == EACCES || errno == EPERM ? WriteFailure::ReadOnly : failureOf(errno);
        return false;
    }
    bool replaced = fstat(file, &old) == 0 && S_ISREG(old.st_mode) && ownerTrustedIn(folderOf(target), old.st_uid);
    if (replaced) {
        RenameResult result = RenameResult::NotAllowedHere;
        if (old.st_nlink == 1 && !hasExtendedAttributes(file)) {
            result = replaceThroughTemporary(target, &old, content);
        }
        replaced = result == RenameResult::Replaced ||
                   (result == RenameResult::NotAllowedHere && rewriteInPlace(file, target, old.st_size, content));
    }
    close(file);
    return replaced;
}
