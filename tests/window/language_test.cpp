// The texts of the window in the language of the environment. CTest runs these
// twice, with TESSALINE_EXPECTED_LANGUAGE naming the language that the locale
// it sets must bring.

#include <cstdlib>
#include <string>

#include "ui/win32/control_ids.h"
#include "ui/texts.h"
#include "window_driver.h"

namespace {

class InterfaceLanguage : public MainWindowTest {
protected:
    void SetUp() override {
        const char* language = std::getenv("TESSALINE_EXPECTED_LANGUAGE");
        if (language == nullptr) {
            GTEST_SKIP() << "run by CTest with TESSALINE_EXPECTED_LANGUAGE set";
        }
        expected = std::string(language) == "Japanese" ? &japaneseTexts : &englishTexts;
        MainWindowTest::SetUp();
    }

    std::wstring entry(int index) const { return (*expected)[static_cast<std::size_t>(index)]; }

    const UiTextTable* expected = nullptr;
};

}  // namespace

TEST_F(InterfaceLanguage, ControlsStartWithTheLanguagesTexts) {
    EXPECT_EQ(text(kSplitInsertButtonId), entry(kTextSplitInsertButton));
    EXPECT_EQ(text(kSplitOverwriteButtonId), entry(kTextSplitOverwriteButton));
    EXPECT_EQ(text(kFormat1ButtonId), entry(kTextFormat1Button));
    EXPECT_EQ(text(kOverwriteCheckBoxId), entry(kTextOverwriteCheckBox));
    EXPECT_EQ(text(kStatusLineId), entry(kTextDropPrompt));
    EXPECT_EQ(text(kInputFileLabelId), entry(kTextNoInputFile));
    // The title is the same in every language.
    EXPECT_EQ(windowText(window), kWindowTitle);
}

TEST_F(InterfaceLanguage, DropsAndSavesSpeakTheLanguage) {
    dropSong(L"broken.mid", notMidi());
    EXPECT_EQ(text(kStatusLineId), entry(kTextLoadFailed));
    EXPECT_EQ(text(kInputFileLabelId), entry(kTextInputFilePrefix) + entry(kTextInputFileFailed));

    dropSong();
    EXPECT_EQ(text(kStatusLineId), entry(kTextEditHint));
    EXPECT_EQ(text(kInputFileLabelId), entry(kTextInputFilePrefix) + L"song.mid");

    const struct {
        int button;
        int statusText;
    } saves[] = {{kSplitInsertButtonId, kTextSavedSplitInsert},
                 {kSplitOverwriteButtonId, kTextSavedSplitOverwrite},
                 {kFormat1ButtonId, kTextSavedFormat1}};
    for (const auto& save : saves) {
        click(save.button);
        EXPECT_EQ(text(kStatusLineId), entry(save.statusText));
    }
    click(kOverwriteCheckBoxId);
    click(kSplitOverwriteButtonId);
    EXPECT_EQ(text(kStatusLineId), entry(kTextSavedOverInput));
}
