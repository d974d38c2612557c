#include "split/save_command.h"

#include "ui/texts.h"

bool fileLoaded = false;

SaveOutcome reportFailedSave(WindowHandle mainWindow, const std::wstring& path) {
    setStatusLine(mainWindow, uiText(kTextSaveFailed));
    startStatusTimer(mainWindow);
    return SaveOutcome{false, path};
}

SaveOutcome writeAndReport(WindowHandle mainWindow, const std::wstring& path, const std::vector<OutputTrack>& tracks,
                           int successText) {
    if (!writeSmfFile(path, tracks)) {
        return reportFailedSave(mainWindow, path);
    }
    setStatusLine(mainWindow, uiText(successText));
    startStatusTimer(mainWindow);
    return SaveOutcome{true, path};
}
