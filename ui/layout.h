#pragma once

// Where the main window's controls go, from the size of its client area alone.

struct ControlRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const ControlRect&) const = default;
};

struct MainLayout {
    ControlRect drumList;
    ControlRect inputFileLabel;
    ControlRect statusLine;
    ControlRect overwriteCheckBox;
    ControlRect splitInsertButton;
    ControlRect splitOverwriteButton;
    ControlRect format1Button;
};

// The width of each of the three buttons: a third of what the margins leave,
// or 100 when they leave nothing.
int buttonWidth(int clientWidth);

// Nothing is clamped: a tiny window gets zero or negative sizes, as the
// controls then simply vanish.
MainLayout computeLayout(int clientWidth, int clientHeight);
