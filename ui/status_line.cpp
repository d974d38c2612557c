#include "ui/status_line.h"

#include "split/save_command.h"
#include "ui/clash_view.h"
#include "ui/texts.h"

const wchar_t* restingStatusText() {
    if (!fileLoaded) {
        return uiText(kTextDropPrompt);
    }
    return uiText(drumNoteList.empty() ? kTextNoDrumNotes : kTextEditHint);
}

void showClashTotals(WindowHandle mainWindow) {
    setStatusLine(mainWindow, clashTotalsLine());
    startStatusTimer(mainWindow);
}

const wchar_t* saveResultText(SaveResult result) {
    switch (result) {
        case SaveResult::SavedSplitInsert: return uiText(kTextSavedSplitInsert);
        case SaveResult::SavedSplitOverwrite: return uiText(kTextSavedSplitOverwrite);
        case SaveResult::SavedOverInput: return uiText(kTextSavedOverInput);
        case SaveResult::SavedFormat1: return uiText(kTextSavedFormat1);
        case SaveResult::FailedInUse: return uiText(kTextSaveFailedInUse);
        case SaveResult::FailedReadOnly: return uiText(kTextSaveFailedReadOnly);
        case SaveResult::FailedDiskFull: return uiText(kTextSaveFailedDiskFull);
        case SaveResult::FailedFolderNotWritable: return uiText(kTextSaveFailedFolder);
        case SaveResult::Failed: break;
    }
    return uiText(kTextSaveFailed);
}

void showSaveResult(WindowHandle mainWindow, SaveResult result) {
    setStatusLine(mainWindow, saveResultText(result));
    startStatusTimer(mainWindow);
}
