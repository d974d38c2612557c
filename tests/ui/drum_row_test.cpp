#include "ui/drum_row.h"
#include "ui/texts.h"

#include "ui/clash_view.h"

#include <gtest/gtest.h>

TEST(DrumRow, TargetColoursAndWhiteForAnythingElse) {
    const struct {
        std::int32_t target;
        Rgb colour;
    } cases[] = {
        {TR4, {200, 230, 255}}, {TR5, {255, 220, 220}}, {BOTH, {220, 255, 220}}, {AUTO, {255, 228, 170}},
        {4, {255, 255, 255}},   {-1, {255, 255, 255}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(targetColour(c.target), c.colour) << c.target;
    }
}

TEST(DrumRow, DoubleClickCycleComesBackAfterThreeSteps) {
    EXPECT_EQ(nextTarget(TR4), TR5);
    EXPECT_EQ(nextTarget(TR5), BOTH);
    EXPECT_EQ(nextTarget(BOTH), TR4);
    EXPECT_EQ(nextTarget(AUTO), TR4);
    EXPECT_EQ(nextTarget(7), TR4);
    EXPECT_EQ(nextTarget(-1), TR4);
}

TEST(DrumRow, TextsComeFromTheMapsTheNameTableAndTheCounts) {
    assignmentMap = {{36, TR5}, {38, TR5}};
    trackLabelMap = {{36, L"2,4,10"}};
    shownClashes = ClashCounts();
    shownClashes.perNote[36] = 12;
    const DrumRowTexts row = drumRowTexts(36);
    EXPECT_EQ(row.trackLabel, L"2,4,10");
    EXPECT_EQ(row.target, L"TR5");
    EXPECT_EQ(row.number, L" 36 :");
    EXPECT_EQ(row.name, L"Bass Drum 1");
    EXPECT_EQ(row.clashes, L"12 clashes");
    EXPECT_EQ(row.hits, L"");
    EXPECT_EQ(drumRowTexts(38).clashes, L"") << "a note that clashes nowhere shows no count";

    // On AUTO: how its hits went, its near clashes, and the destination in the interface language.
    assignmentMap[38] = AUTO;
    shownClashes.routedTr4[38] = 812;
    shownClashes.routedTr5[38] = 37;
    shownClashes.perNoteNear[38] = 40;
    EXPECT_EQ(drumRowTexts(38).hits, L"TR4 812 / TR5 37");
    EXPECT_EQ(drumRowTexts(38).clashes, L"40 near");
    EXPECT_EQ(drumRowTexts(38).target, L"AUTO");
    activeTexts = &japaneseTexts;
    EXPECT_EQ(drumRowTexts(38).target, L"自動");
    activeTexts = &englishTexts;
}

TEST(DrumRow, NoteMissingFromTheMapsGetsTr4AndAnEmptyLabelInserted) {
    assignmentMap.clear();
    trackLabelMap.clear();
    const DrumRowTexts row = drumRowTexts(200);
    EXPECT_EQ(row.trackLabel, L"");
    EXPECT_EQ(row.target, L"TR4");
    EXPECT_EQ(row.number, L"200 :");
    EXPECT_EQ(row.name, L"");
    EXPECT_EQ(assignmentMap.at(200), TR4);
    EXPECT_EQ(trackLabelMap.at(200), L"");
}

TEST(DrumRow, CellsSitAtFixedOffsetsWithGapsAndSpanTheRowHeight) {
    const DrumRowCells cells = drumRowCells({5, 44, 695, 22});
    EXPECT_EQ(cells.trackLabel, (Rect{5, 44, 64, 22}));
    EXPECT_EQ(cells.target, (Rect{73, 44, 60, 22}));
    EXPECT_EQ(cells.number, (Rect{137, 44, 80, 22}));
    EXPECT_EQ(cells.name, (Rect{221, 44, 479, 22}));
}

TEST(DrumRow, TextTooWideIsCutAtItsEndWithAnEllipsis) {
    // Six pixels a character, the ellipsis included.
    auto widthOf = [](const std::wstring& text) { return int(text.size()) * 6; };
    const struct {
        const wchar_t* text;
        int width;
        const wchar_t* shown;
    } cases[] = {
        {L"4,5,6,7,8,9,10,11,12", 64, L"4,5,6,7,8\u2026"},
        {L"4,5,6,7,8,9,10,11,12", 120, L"4,5,6,7,8,9,10,11,12"},
        {L"4,5,6,7,8,9,10,11,12", 119, L"4,5,6,7,8,9,10,11,\u2026"},
        {L"2,4,10", 36, L"2,4,10"},
        {L"2,4,10", 5, L"\u2026"},
        {L"", 0, L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fitAtEnd(c.text, c.width, widthOf), c.shown) << c.width;
    }
}

TEST(DrumRow, ClashCountIsCutAtItsEndOrLeftOutWhenOnlyTheEllipsisWouldShow) {
    auto widthOf = [](const std::wstring& text) { return int(text.size()) * 6; };
    const struct {
        const wchar_t* count;
        int width;
        const wchar_t* shown;
    } cases[] = {
        {L"94 clashes", 60, L"94 clashes"},
        {L"94 clashes", 59, L"94 clash\u2026"},
        {L"94 clashes", 12, L"9\u2026"},
        {L"94 clashes", 11, L""},
        {L"94 clashes", 0, L""},
        {L"94 clashes", -30, L""},  // the name alone is wider than its cell
        {L"重なり 94", 24, L"重なり\u2026"},
        {L"重なり 94", 11, L""},
        {L"7", 6, L"7"},
        {L"7", 5, L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fitClashCount(c.count, c.width, widthOf), c.shown) << c.count << " in " << c.width;
    }
}
