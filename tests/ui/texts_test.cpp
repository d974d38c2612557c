#include <gtest/gtest.h>

#include <cwchar>

#include "ui/texts.h"
#include "ui/window_headless.h"

namespace {

TEST(Texts, EnglishEntriesHaveTheirExactLengths) {
    const std::size_t lengths[14] = {33, 26, 12, 42, 23, 20, 51, 20, 12, 15, 28, 32, 37, 29};
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(std::wcslen(englishTexts[i]), lengths[i]) << i;
    }
    EXPECT_STREQ(englishTexts[0], L"Split save. insert  between TR3/4");
    EXPECT_STREQ(englishTexts[1], L"Split save. Overwrit TR4/5");
    EXPECT_STREQ(englishTexts[3], L"Overwrite Input File(Caution: Destructive)");
}

TEST(Texts, JapaneseEntriesUseFullWidthCharactersOnlyWhereIntended) {
    // Every character outside ASCII is Japanese script, but for exactly three
    // full-width punctuation marks.
    int fullWidthPunctuation = 0;
    for (int i = 0; i < 14; ++i) {
        for (const wchar_t* c = japaneseTexts[i]; *c != 0; ++c) {
            if (*c == 0xFF1A || *c == 0xFF06 || *c == 0x3002) {
                ++fullWidthPunctuation;
            } else if (*c >= 0xFF00 || (*c >= 0x3000 && *c < 0x3040)) {
                ADD_FAILURE() << "entry " << i << " has full-width U+" << std::hex << int(*c);
            }
        }
    }
    EXPECT_EQ(fullWidthPunctuation, 3);
    EXPECT_NE(std::wcschr(japaneseTexts[3], 0xFF1A), nullptr);
    EXPECT_NE(std::wcschr(japaneseTexts[4], 0xFF06), nullptr);
    EXPECT_EQ(std::wcscmp(japaneseTexts[7] + std::wcslen(japaneseTexts[7]) - 1, L"\u3002"), 0);
    EXPECT_STREQ(japaneseTexts[8], L"入力ファイル: ");
    EXPECT_STREQ(japaneseTexts[5], L"入力ファイル: [ なし ]");
}

TEST(Texts, LanguageChoiceLooksAtThePrimaryLanguageOnly) {
    const std::pair<std::uint16_t, const UiTextTable*> cases[] = {
        {0x0411, &japaneseTexts}, {0x0011, &japaneseTexts}, {0x0C11, &japaneseTexts},
        {0x0409, &englishTexts},  {0x0804, &englishTexts},  {0x0412, &englishTexts},
        {0x0000, &englishTexts},  {0x0111 | 0x0400, &englishTexts},
    };
    for (const auto& [language, table] : cases) {
        EXPECT_EQ(textsForLanguage(language), table) << std::hex << language;
    }
}

TEST(Texts, SelectUiLanguageAsksTheWindowAndOnlyTheTablesTextsChange) {
    headlessWindow.interfaceLanguage = 0x0411;
    selectUiLanguage();
    EXPECT_STREQ(uiText(6), L"ダブルクリックまたは右クリックで分割先を変更");
    EXPECT_STREQ(targetLabel(BOTH), L"BOTH");
    EXPECT_STREQ(gmDrumName(36), L"Bass Drum 1");
    headlessWindow.interfaceLanguage = 0x0409;
    selectUiLanguage();
    EXPECT_STREQ(uiText(6), L"Double-click or right-click to change split target.");
}

TEST(Texts, DrumNamesCoverNotes35To81) {
    const std::pair<int, const wchar_t*> cases[] = {
        {34, L""}, {35, L"Acoustic Bass Drum"}, {42, L"Closed Hi-Hat"}, {47, L"Low-Mid Tom"}, {60, L"Hi Bongo"},
        {81, L"Open Triangle"}, {82, L""}, {0, L""}, {-1, L""}, {200, L""},
    };
    for (const auto& [note, name] : cases) {
        EXPECT_STREQ(gmDrumName(note), name) << note;
    }
}

TEST(Texts, TargetLabelsAndNoteNumbers) {
    EXPECT_STREQ(targetLabel(0), L"TR4");
    EXPECT_STREQ(targetLabel(1), L"TR5");
    EXPECT_STREQ(targetLabel(2), L"BOTH");
    EXPECT_STREQ(targetLabel(3), L"AUTO");
    EXPECT_STREQ(targetLabel(4), L"");
    EXPECT_STREQ(targetLabel(-1), L"");
    EXPECT_EQ(formatNoteNumber(36), L" 36 :");
    EXPECT_EQ(formatNoteNumber(100), L"100 :");
    EXPECT_EQ(formatNoteNumber(5), L"  5 :");
    EXPECT_EQ(formatNoteNumber(200), L"200 :");
}

TEST(Texts, ClashCountsInBothLanguages) {
    const struct {
        const UiTextTable* texts;
        std::size_t count;
        const wchar_t* row;
    } cases[] = {
        {&englishTexts, 0, L""},        {&englishTexts, 1, L"1 clash"},     {&englishTexts, 12, L"12 clashes"},
        {&japaneseTexts, 0, L""},       {&japaneseTexts, 1, L"重なり 1"}, {&japaneseTexts, 12, L"重なり 12"},
    };
    for (const auto& c : cases) {
        activeTexts = c.texts;
        EXPECT_EQ(clashCountText(c.count), c.row) << c.count;
    }
    activeTexts = &englishTexts;
    EXPECT_EQ(clashTotalsText(9, 0), L"TR4: 9 clashes, TR5: 0 clashes");
    EXPECT_EQ(clashTotalsText(9, 0, 30, 0), L"TR4: 9 clashes, 30 near; TR5: 0 clashes, 0 near");
    EXPECT_EQ(rowClashText(12, 40), L"12 clashes, 40 near");
    EXPECT_EQ(bothCostText(6, 173), L"6 notes on BOTH hold 173 of them");
    EXPECT_EQ(bothCostText(1, 2), L"1 note on BOTH holds 2 of them");
    activeTexts = &japaneseTexts;
    EXPECT_EQ(clashTotalsText(9, 1), L"TR4: 重なり 9, TR5: 重なり 1");
    EXPECT_EQ(rowClashText(12, 40), L"重なり 12, 近接 40");
    EXPECT_EQ(clashesAtText(L"3:1, 5:1"), L"重なりの位置 3:1, 5:1");
    activeTexts = &englishTexts;
}

// Both languages name the copy where the placeholder stood, once.
TEST(Texts, SideCopyNoticeNamesTheCopyInBothLanguages) {
    const std::wstring name = L"song_S.mid.tessaline-old";
    for (const UiTextTable* texts : {&englishTexts, &japaneseTexts}) {
        activeTexts = texts;
        const std::wstring notice = sideCopyLeftText(name);
        EXPECT_NE(notice.find(name), std::wstring::npos) << (texts == &englishTexts);
        EXPECT_EQ(notice.size(), std::wcslen((*texts)[kTextSideCopyLeft]) - std::wcslen(L"{name}") + name.size());
    }
    activeTexts = &englishTexts;
}

TEST(Texts, WindowClassAndTitle) {
    EXPECT_STREQ(kWindowClassName, L"DrumUI");
    EXPECT_STREQ(kWindowTitle, L"Tessaline for Quarlbridge    ver.2026/8/3");
}

}  // namespace
