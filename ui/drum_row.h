#pragma once

// What a row of the drum list shows, worked out without a window.

#include <cstdint>
#include <functional>
#include <string>

#include "drums/drum_inventory.h"
#include "ui/layout.h"

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const Rgb&) const = default;
};

// The fill of the target cell: light blue, light red, light green, and for
// AUTO a light amber; white for a value that is no destination.
Rgb targetColour(std::int32_t target);

// The double-click cycle TR4 -> TR5 -> BOTH -> TR4; anything else starts over at TR4.
DrumTarget nextTarget(std::int32_t target);

// The destination a context menu item stands for (1 TR4, 2 TR5, 3 BOTH, 6
// AUTO); false for 0, the menu closed without a choice, and any other value.
bool targetForMenuItem(int itemId, DrumTarget& target);

struct DrumRowTexts {
    std::wstring trackLabel;  // "2,4,10"
    std::wstring target;      // "TR4", "TR5", "BOTH", AUTO in the interface language
    std::wstring number;      // " 36 :"
    std::wstring name;        // "Bass Drum 1", or empty beyond the General MIDI key map
    std::wstring hits;        // on AUTO, after the name: "TR4 812 / TR5 37"
    std::wstring clashes;     // "12 clashes, 40 near" after those, or empty when the note clashes nowhere
};

// The texts of the row of `note`, its clashes as last counted (ui/clash_view.h).
// Like every reader of the list, it creates the note's entries when missing:
// TR4 and an empty label.
DrumRowTexts drumRowTexts(std::int32_t note);

// The four cells of a row, each the row's full height, 4-pixel gaps between them.
struct DrumRowCells {
    Rect trackLabel;
    Rect target;
    Rect number;
    Rect name;
};

DrumRowCells drumRowCells(const Rect& row);

// The colour of a row's clash count: a dark red, a warning against the white rows.
inline constexpr Rgb kClashCountColour = {192, 0, 0};

// Blank pixels between the percussion name and the clash count.
inline constexpr int kClashCountGap = 12;

// `text` as it fits `width` pixels: whole, or cut at its end with an ellipsis
// ("4,5,6,7,…"), never at its start, so that what shows is the start of the
// track list. `widthOf` measures a text as it will be drawn.
std::wstring fitAtEnd(const std::wstring& text, int width, const std::function<int(const std::wstring&)>& widthOf);

// A row's clash count as it fits the `width` pixels left after the name: cut
// as fitAtEnd cuts, or nothing when not even its first character fits before
// the ellipsis, which alone would say nothing.
std::wstring fitClashCount(const std::wstring& count, int width, const std::function<int(const std::wstring&)>& widthOf);

inline constexpr int kDrumRowHeight = 22;
