#include "ui/input_label.h"

#include <gtest/gtest.h>

#include "ui/texts.h"

TEST(InputLabel, FileNameFollowsTheLastSeparatorOfEitherKind) {
    const struct {
        const wchar_t* path;
        const wchar_t* name;
    } cases[] = {
        {L"C:\\Music\\song.mid", L"song.mid"},
        {L"C:/Music/song.mid", L"song.mid"},
        {L"C:\\Music/take.2.mid", L"take.2.mid"},
        {L"C:/Music\\rock\\song.mid", L"song.mid"},
        {L"song.mid", L"song.mid"},
        {L"C:\\Music\\", L""},
        {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(droppedFileName(c.path), c.name) << c.path;
    }
}

TEST(InputLabel, ReadsPrefixThenNameOrFailure) {
    activeTexts = &englishTexts;
    EXPECT_EQ(loadedInputLabel(L"D:\\a b\\song.mid"), L"Input File: song.mid");
    EXPECT_EQ(failedInputLabel(), L"Input File: [ Load Failed ]");
    activeTexts = &japaneseTexts;
    EXPECT_EQ(loadedInputLabel(L"song.mid"), L"入力ファイル: song.mid");
    EXPECT_EQ(failedInputLabel(), L"入力ファイル: [ 読み込み失敗 ]");
    activeTexts = &englishTexts;
}
