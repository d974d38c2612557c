#include <gtest/gtest.h>

#include "song/song_data.h"
#include "split/output_path.h"

namespace {

TEST(OutputPath, ExtensionIsReplacedBySuffix) {
    const struct {
        const wchar_t* input;
        const wchar_t* suffix;
        const wchar_t* output;
    } cases[] = {
        {L"C:\\Music\\song.mid", L"_S.mid", L"C:\\Music\\song_S.mid"},
        {L"C:\\Music\\SONG.MID", L"_S.mid", L"C:\\Music\\SONG_S.mid"},
        {L"C:\\Music\\take.2.mid", L"_F1.mid", L"C:\\Music\\take.2_F1.mid"},
        {L"/home/u/song.midi", L"_OW.mid", L"/home/u/song_OW.mid"},
        {L"song", L"_S.mid", L"song_S.mid"},
        {L"song.", L"_S.mid", L"song_S.mid"},
        {L".mid", L"_S.mid", L"_S.mid"},
        {L"", L"_S.mid", L"_S.mid"},
        // A dot in a folder name is no extension: the output stays in the input's folder.
        {L"C:\\Users\\a.b\\Music\\song", L"_S.mid", L"C:\\Users\\a.b\\Music\\song_S.mid"},
        {L"/home/a.b/song", L"_F1.mid", L"/home/a.b/song_F1.mid"},
        {L"C:\\a.b/c\\song", L"_OW.mid", L"C:\\a.b/c\\song_OW.mid"},
        {L"C:\\a.b\\", L"_S.mid", L"C:\\a.b\\_S.mid"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(outputPathFor(c.input, c.suffix), c.output) << c.input;
    }
}

TEST(OutputPath, MakeOutputPathReadsTheLoadedPath) {
    songData.inputPath = L"D:\\x\\y.mid";
    EXPECT_EQ(makeOutputPath(L"_S.mid"), L"D:\\x\\y_S.mid");
    EXPECT_EQ(songData.inputPath, L"D:\\x\\y.mid");
}

}  // namespace
