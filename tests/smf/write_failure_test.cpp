#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

#include "smf/smf_writer.h"
#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace {

const Bytes kOldContent = {'o', 'l', 'd'};

// A track whose chunk takes some 30 kB.
std::vector<Track> bigSong() {
    Track track;
    for (std::uint32_t i = 0; i < 10000; ++i) {
        track.push_back(ev(i, 0x99, {0x24, 0x64}));
    }
    return {track};
}

class WriteFailure : public ::testing::Test {
protected:
    void SetUp() override { songData = SongData(); }
    TempDir dir;
};

TEST_F(WriteFailure, MissingFolderGivesFalseAndCreatesNothing) {
    EXPECT_FALSE(writeSmfFile(dir.file(L"missing/out.mid"), bigSong(), {}));
    EXPECT_TRUE(dir.entries().empty());
}

TEST_F(WriteFailure, PathUnderARegularFileGivesFalse) {
    writeFileBytes(dir.path / "plain", kOldContent);
    EXPECT_FALSE(writeSmfFile(dir.file(L"plain/out.mid"), bigSong(), {}));
    EXPECT_EQ(readFileBytes(dir.path / "plain"), kOldContent);
    EXPECT_EQ(dir.entries(), std::vector<std::wstring>{L"plain"});
}

TEST_F(WriteFailure, OutputPathThatIsAFolderGivesFalse) {
    std::filesystem::create_directory(dir.path / "out.mid");
    EXPECT_FALSE(writeSmfFile(dir.file(L"out.mid"), bigSong(), {}));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path / "out.mid"));
    EXPECT_EQ(dir.entries(), std::vector<std::wstring>{L"out.mid"});
}

TEST_F(WriteFailure, ReadOnlyFileIsLeftUntouched) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "file permissions do not stop root";
    }
    const auto path = dir.path / "locked.mid";
    writeFileBytes(path, kOldContent);
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_FALSE(writeSmfFile(path.wstring(), bigSong(), {}));
    EXPECT_EQ(readFileBytes(path), kOldContent);
    EXPECT_EQ(dir.entries(), std::vector<std::wstring>{L"locked.mid"});
}

// The file system refuses bytes half-way (a full disk, a quota): the existing
// file keeps its contents and no temporary is left behind.
TEST_F(WriteFailure, WriteFailingHalfWayKeepsTheExistingFile) {
    const auto path = dir.path / "song.mid";
    writeFileBytes(path, kOldContent);

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    const bool written = writeSmfFile(path.wstring(), bigSong(), {});

    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(readFileBytes(path), kOldContent);
    EXPECT_EQ(dir.entries(), std::vector<std::wstring>{L"song.mid"});
}

TEST_F(WriteFailure, ExistingFileIsReplacedWhole) {
    const auto path = dir.path / "song.mid";
    writeFileBytes(path, Bytes(100000, 0xAA));  // longer than what replaces it
    ASSERT_TRUE(writeSmfFile(path.wstring(), {{}}, {}));
    EXPECT_EQ(readFileBytes(path), mthd(1) + mtrk({0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(dir.entries(), std::vector<std::wstring>{L"song.mid"});
}

// Writing over a link writes the file it names: the user's song is the file,
// and replacing the link with a new file would leave the song as it was.
TEST_F(WriteFailure, WritingOverALinkReplacesTheFileItNames) {
    std::filesystem::create_directory(dir.path / "songs");
    const auto real = dir.path / "songs" / "song.mid";
    writeFileBytes(real, kOldContent);
    std::filesystem::create_symlink("songs/song.mid", dir.path / "link.mid");
    ASSERT_TRUE(writeSmfFile((dir.path / "link.mid").wstring(), {{}}, {}));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path / "link.mid"));
    EXPECT_EQ(readFileBytes(real), mthd(1) + mtrk({0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(dir.entries(), (std::vector<std::wstring>{L"link.mid", L"songs"}));
}

TEST_F(WriteFailure, WritingOverTheLoadedFileWorks) {
    const auto path = dir.path / "song.mid";
    writeFileBytes(path, mthd(1) + mtrk({0x00, 0xC0, 0x01, 0x00, 0xFF, 0x2F, 0x00}));
    ASSERT_TRUE(loadSong(path.wstring()));
    ASSERT_TRUE(writeSmfFile(path.wstring(), songData.tracks, {}));
    EXPECT_EQ(readFileBytes(path), songData.bytes);
}

}  // namespace
