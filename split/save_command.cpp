#include "split/save_command.h"

#include "ui/texts.h"

bool fileLoaded = false;

bool writeAndReport(WindowHandle mainWindow, const std::wstring& path, const std::vector<Track>& tracks,
                    const SortFlags& sortFlags, int successText) {
    if (!writeSmfFile(path, tracks, sortFlags)) {
        return false;
    }
    setStatusLine(mainWindow, uiText(successText));
    startStatusTimer(mainWindow);
    return true;
}
