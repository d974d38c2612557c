#include "ui/drum_row.h"

#include "ui/texts.h"

Rgb targetColour(std::int32_t target) {
    switch (target) {
        case TR4: return {200, 230, 255};
        case TR5: return {255, 220, 220};
        case BOTH: return {220, 255, 220};
        default: return {255, 255, 255};
    }
}

DrumTarget nextTarget(std::int32_t target) {
    switch (target) {
        case TR4: return TR5;
        case TR5: return BOTH;
        default: return TR4;
    }
}

bool targetForMenuItem(int itemId, DrumTarget& target) {
    if (itemId < 1 || itemId > 3) {
        return false;
    }
    target = static_cast<DrumTarget>(itemId - 1);
    return true;
}

DrumRowTexts drumRowTexts(std::int32_t note) {
    return {trackLabelMap[note], targetLabel(assignmentMap[note]), formatNoteNumber(note), gmDrumName(note)};
}

DrumRowCells drumRowCells(const CellBox& row) {
    const int l = row.left;
    return {
        {l, row.top, l + 64, row.bottom},
        {l + 68, row.top, l + 128, row.bottom},
        {l + 132, row.top, l + 212, row.bottom},
        {l + 216, row.top, row.right, row.bottom},
    };
}
