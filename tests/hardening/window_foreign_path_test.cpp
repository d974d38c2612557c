// Built into the window's suite and run under Wine: a song whose folder and
// name are in Japanese, and one under a path of 300 characters, dropped on the
// window and saved by its three buttons.

#include <algorithm>
#include <filesystem>
#include <set>

#include "song/file_path.h"
#include "song/smf_reader.h"
#include "ui/win32/control_ids.h"
#include "ui/input_label.h"
#include "ui/texts.h"
#include "window_driver.h"

namespace {

std::multiset<int> drumNoteOns(const Track& track) {
    std::multiset<int> notes;
    for (const MidiEvent& e : track) {
        if (isDrumChannel(e.status) && isNoteStart(e)) {
            notes.insert(e.data[0]);
        }
    }
    return notes;
}

}  // namespace

TEST_F(MainWindowTest, SongInAJapaneseFolderLoadsAndSavesThroughEveryButton) {
    const std::filesystem::path sub = folder.path / L"ドラム";
    std::filesystem::create_directory(sub);
    const std::wstring input = (sub / L"曲.mid").wstring();
    writeFileBytes(input, drumSong());

    drop({input});
    ASSERT_TRUE(enabled(kFormat1ButtonId));
    EXPECT_EQ(text(kInputFileLabelId), loadedInputLabel(input));

    const struct {
        int button;
        const wchar_t* output;
        int statusText;
        std::size_t tracks;
    } saves[] = {
        {kSplitInsertButtonId, L"曲_S.mid", kTextSavedSplitInsert, 8},
        {kSplitOverwriteButtonId, L"曲_OW.mid", kTextSavedSplitOverwrite, 6},
        {kFormat1ButtonId, L"曲_F1.mid", kTextSavedFormat1, 6},
    };
    for (const auto& save : saves) {
        click(save.button);
        EXPECT_EQ(text(kStatusLineId), uiText(save.statusText)) << save.button;
    }
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(sub)) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"曲.mid", L"曲_F1.mid", L"曲_OW.mid", L"曲_S.mid"}));

    // Read back last: a load replaces the song that the window holds.
    for (const auto& save : saves) {
        ASSERT_TRUE(loadSong((sub / save.output).wstring())) << save.button;
        EXPECT_EQ(songData.tracks.size(), save.tracks) << save.button;
    }
    ASSERT_TRUE(loadSong((sub / L"曲_S.mid").wstring()));
    EXPECT_EQ(drumNoteOns(songData.tracks[4]), (std::multiset<int>{36, 38, 42, 42}));  // 42 is in two tracks, for BOTH
    EXPECT_EQ(drumNoteOns(songData.tracks[5]), (std::multiset<int>{42, 42, 46}));
}

// Past MAX_PATH (260 characters) every file operation needs the extended-length
// form; the shell hands over the path as the user sees it.
TEST_F(MainWindowTest, SongUnderAPathOf300CharactersLoadsAndSavesThroughEveryButton) {
    std::wstring sub = folder.path.wstring();
    while (sub.size() < 260) {
        sub += L"\\" + std::wstring(40, L'd');
        ASSERT_TRUE(CreateDirectoryW(extendedLengthPath(sub).c_str(), nullptr)) << sub.size();
    }
    const std::wstring input = sub + L"\\" + std::wstring(40, L's') + L".mid";
    ASSERT_GE(input.size(), 300u);
    writeFileBytes(filePath(input), drumSong());

    drop({input});
    ASSERT_TRUE(enabled(kFormat1ButtonId));
    const struct {
        int button;
        const wchar_t* suffix;
        int statusText;
    } saves[] = {
        {kSplitInsertButtonId, L"_S.mid", kTextSavedSplitInsert},
        {kSplitOverwriteButtonId, L"_OW.mid", kTextSavedSplitOverwrite},
        {kFormat1ButtonId, L"_F1.mid", kTextSavedFormat1},
    };
    for (const auto& save : saves) {
        click(save.button);
        EXPECT_EQ(text(kStatusLineId), uiText(save.statusText)) << save.button;
    }
    for (const auto& save : saves) {
        EXPECT_TRUE(loadSong(input.substr(0, input.size() - 4) + save.suffix)) << save.button;
    }
}
