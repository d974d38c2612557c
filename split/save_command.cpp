#include "split/save_command.h"

#include <new>

#include "song/file_replace.h"

bool fileLoaded = false;

namespace {

SaveResult failedSave(WriteFailure why) {
    switch (why) {
        case WriteFailure::InUse: return SaveResult::FailedInUse;
        case WriteFailure::ReadOnly: return SaveResult::FailedReadOnly;
        case WriteFailure::DiskFull: return SaveResult::FailedDiskFull;
        case WriteFailure::FolderNotWritable: return SaveResult::FailedFolderNotWritable;
        case WriteFailure::Other: break;
    }
    return SaveResult::Failed;
}

}  // namespace

SaveOutcome runSave(WindowHandle mainWindow, const std::wstring& path, SaveResult success,
                    const std::function<bool()>& write) {
    bool written = false;
    // A save may fail before it reaches the file (too many tracks, no memory):
    // then the reason of an earlier one must not be given.
    lastWriteFailure = WriteFailure::Other;
    try {
        written = write();
    } catch (const std::bad_alloc&) {
        written = false;
    }
    const SaveResult result = written ? success : failedSave(lastWriteFailure);
    reportSave(mainWindow, result);
    return SaveOutcome{written, path, result};
}
