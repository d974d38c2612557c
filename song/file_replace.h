#pragma once

#include <cstdint>
#include <span>
#include <string>

// Makes `bytes` the whole content of the file at `path`, or leaves the file as
// it was. The bytes go to a temporary beside the file (".NAME.1a2b3c4d.tmp",
// readable by its owner only), are flushed to the disk, and the temporary is
// renamed over the file, which keeps its permissions, owner and group; then
// the folder is flushed too. A symbolic link is followed to the file it names,
// and, in a sticky folder that anyone may write to, a link or a file is used
// only when it belongs to the caller or to the folder's owner. An output that
// is a folder, a device, a FIFO or a socket, or that cannot be opened for
// writing, is refused untouched.
// Where a new file would lose what the old one had (its other names, extended
// attributes or ACLs, an owner or group the process cannot give), or where the
// folder lets no file be renamed, the file is rewritten in place instead, its
// old content kept meanwhile in a side copy beside it (sideCopyBeside) and put
// back should the rewrite fail; the signals that end the program wait until it
// is done. A file beside which a side copy stands (a save cut short by a kill
// or a power cut) is refused. False when anything failed, and then
// lastWriteFailure says why.
bool replaceFileContents(const std::wstring& path, std::span<const std::uint8_t> bytes);

// A file's content as the pieces it is written from, one after another: a
// writer that makes the parts of a file apart need not copy them together.
using FileContent = std::span<const std::span<const std::uint8_t>>;

// The same, with the content in pieces.
bool replaceFileContents(const std::wstring& path, FileContent content);

// Why a replacement failed, where the reason is one a user can act on.
enum class WriteFailure {
    Other,
    InUse,              // another program holds the file
    ReadOnly,           // the file may not be written
    DiskFull,           // no room on the disk, or a file-size limit reached
    FolderNotWritable,  // no file may be made in the folder
};

extern WriteFailure lastWriteFailure;  // why the last replaceFileContents that returned false did

// Removes the temporary of a replacement that a signal or a console event cut
// short, on the way out of the program. On POSIX it is safe to call from a
// signal handler (the ending signals wait during a rewrite in place); on
// Windows, whose console events run on a thread of their own, it waits for a
// step under way to end and lets no other start.
void removeUnfinishedTemporary();
