#include "split/save_command.h"

#include <new>

bool fileLoaded = false;

SaveOutcome runSave(WindowHandle mainWindow, const std::wstring& path, SaveResult success,
                    const std::function<bool()>& write) {
    bool written = false;
    try {
        written = write();
    } catch (const std::bad_alloc&) {
        written = false;
    }
    reportSave(mainWindow, written ? success : SaveResult::Failed);
    return SaveOutcome{written, path};
}
