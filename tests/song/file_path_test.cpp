#include <gtest/gtest.h>

#include <clocale>
#include <iterator>

#include "smf/smf_writer.h"
#include "song/file_path.h"
#include "song/utf8.h"
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

TEST(FilePath, NamesThatAreNotUtf8KeepTheirBytes) {
    EXPECT_EQ(filePath(fromFileNameBytes("caf\xE9/\x83\x68.mid")).native(), "caf\xE9/\x83\x68.mid");
}

// Windows takes a long path only in the extended-length form, which it takes
// as it stands: the conversion does the normalising the system would have done.
TEST(FilePath, LongWindowsPathsTakeTheExtendedLengthForm) {
    const std::wstring folder(250, L'f');
    const struct {
        std::wstring path;
        std::wstring extended;
    } cases[] = {
        {L"C:\\Music\\song.mid", L"C:\\Music\\song.mid"},  // short: as it is
        {L"C:\\" + folder + L"\\song.mid", L"\\\\?\\C:\\" + folder + L"\\song.mid"},
        {L"d:/" + folder + L"/./x/../song.mid", L"\\\\?\\d:\\" + folder + L"\\song.mid"},
        {L"C:\\" + folder + L"\\\\a\\", L"\\\\?\\C:\\" + folder + L"\\a"},
        {L"C:\\..\\" + folder, L"\\\\?\\C:\\" + folder},  // ".." stops at the root
        {L"\\\\server\\share\\" + folder, L"\\\\?\\UNC\\server\\share\\" + folder},
        {L"//server/share/../../" + folder, L"\\\\?\\UNC\\server\\share\\" + folder},  // nor past the share
        {L"\\\\?\\C:\\" + folder, L"\\\\?\\C:\\" + folder},  // already extended
        {L"\\\\.\\pipe\\" + folder, L"\\\\.\\pipe\\" + folder},  // a device
        {folder + L"\\song.mid", folder + L"\\song.mid"},               // relative
    };
    for (const auto& c : cases) {
        EXPECT_EQ(extendedLengthPath(c.path), c.extended) << toUtf8(c.path).substr(0, 20);
    }
}

}  // namespace
