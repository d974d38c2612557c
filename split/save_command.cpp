#include "split/save_command.h"

#include "ui/texts.h"

bool fileLoaded = false;

SaveOutcome reportFailedSave(WindowHandle mainWindow, const std::wstring& path) {
    setStatusLine(mainWindow, uiText(kTextSaveFailed));
    startStatusTimer(mainWindow);
    return SaveOutcome{false, path};
}

SaveOutcome writeAndReport(WindowHandle mainWindow, const std::wstring& path, const std::vector<Track>& tracks,
                           const SortFlags& sortFlags, int successText) {
    if (!writeSmfFile(path, tracks, sortFlags)) {
        return reportFailedSave(mainWindow, path);
    }
    setStatusLine(mainWindow, uiText(successText));
    startStatusTimer(mainWindow);
    return SaveOutcome{true, path};
}
