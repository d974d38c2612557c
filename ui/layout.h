#pragma once

// Where the main window's controls go, from the size of its client area alone.

// A rectangle of the window: of a control in its parent, of a cell in a row.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const Rect&) const = default;
};

struct MainLayout {
    Rect drumList;
    Rect inputFileLabel;
    Rect statusLine;
    Rect overwriteCheckBox;
    Rect splitInsertButton;
    Rect splitOverwriteButton;
    Rect format1Button;
};

// The width of each of the three buttons: a third of what the margins leave,
// or 100 when they leave nothing.
int buttonWidth(int clientWidth);

// Nothing is clamped: a tiny window gets zero or negative sizes, as the
// controls then simply vanish.
MainLayout computeLayout(int clientWidth, int clientHeight);
