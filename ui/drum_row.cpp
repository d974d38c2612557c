#include "ui/drum_row.h"

#include "ui/clash_view.h"
#include "ui/texts.h"

Rgb targetColour(std::int32_t target) {
    switch (target) {
        case TR4: return {200, 230, 255};
        case TR5: return {255, 220, 220};
        case BOTH: return {220, 255, 220};
        case AUTO: return {255, 228, 170};
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
    // AUTO came after the items for the whole list, so its number is theirs plus one.
    if (itemId == 6) {
        target = AUTO;
        return true;
    }
    if (itemId < 1 || itemId > 3) {
        return false;
    }
    target = static_cast<DrumTarget>(itemId - 1);
    return true;
}

DrumRowTexts drumRowTexts(std::int32_t note) {
    const DrumTarget target = assignmentMap[note];
    DrumRowTexts texts{trackLabelMap[note], target == AUTO ? uiText(kTextAutoTarget) : targetLabel(target),
                       formatNoteNumber(note), gmDrumName(note), L"", L""};
    if (note >= 0 && note < 256) {
        const std::size_t n = std::size_t(note);
        if (target == AUTO) {
            texts.hits = routedHitsText(shownClashes.routedTr4[n], shownClashes.routedTr5[n]);
        }
        texts.clashes = rowClashText(shownClashes.perNote[n], shownClashes.perNoteNear[n]);
    }
    return texts;
}

DrumRowCells drumRowCells(const Rect& row) {
    const int x = row.x;
    return {
        {x, row.y, 64, row.height},
        {x + 68, row.y, 60, row.height},
        {x + 132, row.y, 80, row.height},
        {x + 216, row.y, row.width - 216, row.height},
    };
}

std::wstring fitAtEnd(const std::wstring& text, int width, const std::function<int(const std::wstring&)>& widthOf) {
    if (widthOf(text) <= width) {
        return text;
    }
    // The longest start that leaves room for the ellipsis; widths only grow with the length.
    std::size_t low = 0;
    std::size_t high = text.size();
    while (low < high) {
        const std::size_t length = (low + high + 1) / 2;
        if (widthOf(text.substr(0, length) + L"\u2026") <= width) {
            low = length;
        } else {
            high = length - 1;
        }
    }
    return text.substr(0, low) + L"\u2026";
}

std::wstring fitClashCount(const std::wstring& count, int width, const std::function<int(const std::wstring&)>& widthOf) {
    const std::wstring shown = fitAtEnd(count, width, widthOf);
    return shown == count || shown.size() > 1 ? shown : std::wstring();
}
