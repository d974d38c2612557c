#include <gtest/gtest.h>

#include <clocale>
#include <iterator>

#include "smf/smf_writer.h"
#include "song/file_path.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

// Whatever the locale (tests run in "C", as a bare CI machine does), names in
// any script load and save.
TEST(FilePath, NonAsciiNamesLoadAndSaveInTheCLocale) {
    std::setlocale(LC_ALL, "C");
    TempDir dir;
    const std::wstring folder = dir.path.wstring() + L"/ドラム";
    std::filesystem::create_directory(filePath(folder));
    const std::wstring song = folder + L"/曲 ü.mid";
    writeFileBytes(filePath(song), mthd(1) + mtrk({0x00, 0x99, 36, 0x64}));

    ASSERT_TRUE(loadSong(song));
    EXPECT_EQ(songData.inputPath, song);
    const std::wstring output = folder + L"/曲 ü_S.mid";
    ASSERT_TRUE(writeSmfFile(output, songData.tracks, {}));
    EXPECT_EQ(readFileBytes(filePath(output)).size(), 30u);  // header, one note-on, End-of-Track
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(filePath(folder)), {}), 2);
}

TEST(FilePath, NamesAreEncodedAsUtf8) {
    EXPECT_EQ(filePath(L"a/b.mid").native(), "a/b.mid");
    EXPECT_EQ(filePath(L"\u00FC\u66F2\U0001F941").native(), "\xC3\xBC\xE6\x9B\xB2\xF0\x9F\xA5\x81");
    EXPECT_EQ(filePath(std::wstring(1, wchar_t(0xD800))).native(), "\xEF\xBF\xBD");  // no character
}

}  // namespace
