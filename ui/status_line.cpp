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
    setStatusLine(mainWindow, clashTotalsText(shownClashes.tr4, shownClashes.tr5));
    startStatusTimer(mainWindow);
}
