#include "ui/layout.h"

int buttonWidth(int clientWidth) { return clientWidth - 40 > 0 ? (clientWidth - 40) / 3 : 100; }

MainLayout computeLayout(int clientWidth, int clientHeight) {
    const int w = clientWidth;
    const int h = clientHeight;
    const int b = buttonWidth(w);
    MainLayout layout;
    layout.drumList = {10, 10, w - 20, h - 150};
    layout.inputFileLabel = {10, h - 70, w - 20, 20};
    layout.statusLine = {10, h - 140, w - 20, 22};
    layout.overwriteCheckBox = {14, h - 100, w - 20, 20};
    layout.splitInsertButton = {10, h - 40, b, 30};
    layout.splitOverwriteButton = {b + 20, h - 40, b, 30};
    layout.format1Button = {2 * b + 30, h - 40, b, 30};
    return layout;
}
