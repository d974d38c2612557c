#include "smf/file_replace.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <unistd.h>

#include "support/smf_builder.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const Bytes kOldContent = {'o', 'l', 'd'};
const Bytes kNewContent(30000, 0x5A);  // well past the room a failing disk leaves below

bool replace(const fs::path& path, const Bytes& bytes = kNewContent) { return replaceFileContents(path.wstring(), bytes); }

// Writing more than `bytes` to any file fails, as on a full disk: the signal
// that would end the process is ignored, so that the write returns an error.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

// Ways a replacement fails. Each must give false, keep what stood at the
// output path, and leave nothing else behind. The test's folder holds
// old.mid (kOldContent) beforehand.
struct FailureCase {
    const char* name;
    fs::path (*prepare)(const fs::path& folder);  // returns the output path
    rlim_t diskRoom;                              // 0: no limit
    bool needsPermissions;                        // root ignores file permissions
};

const FailureCase kFailures[] = {
    {"MissingFolder", [](const fs::path& f) { return f / "missing" / "out.mid"; }, 0, false},
    {"FolderIsARegularFile", [](const fs::path& f) { return f / "old.mid" / "out.mid"; }, 0, false},
    {"OutputIsAFolder",
     [](const fs::path& f) {
         fs::create_directory(f / "out.mid");
         return f / "out.mid";
     },
     0, false},
    {"OutputIsReadOnly",
     [](const fs::path& f) {
         fs::permissions(f / "old.mid", fs::perms::owner_read);
         return f / "old.mid";
     },
     0, true},
    {"DiskFillsUpHalfWay", [](const fs::path& f) { return f / "old.mid"; }, 4096, false},
};

TEST(FileReplace, AFailedReplacementKeepsWhatWasThereAndLeavesNothingBehind) {
    for (const FailureCase& c : kFailures) {
        if (c.needsPermissions && geteuid() == 0) {
            continue;
        }
        TempDir dir;
        writeFileBytes(dir.path / "old.mid", kOldContent);
        const fs::path output = c.prepare(dir.path);
        const std::vector<std::wstring> before = dir.entries();
        if (c.diskRoom != 0) {
            FileSizeLimit full(c.diskRoom);
            EXPECT_FALSE(replace(output)) << c.name;
        } else {
            EXPECT_FALSE(replace(output)) << c.name;
        }
        EXPECT_EQ(readFileBytes(dir.path / "old.mid"), kOldContent) << c.name;
        EXPECT_EQ(dir.entries(), before) << c.name;
        if (fs::is_directory(output)) {
            EXPECT_TRUE(fs::is_empty(output)) << c.name;
        }
    }
}

TEST(FileReplace, ExistingFileIsReplacedWhole) {
    TempDir dir;
    const auto path = dir.path / "song.mid";
    writeFileBytes(path, Bytes(100000, 0xAA));  // longer than what replaces it
    ASSERT_TRUE(replace(path, kOldContent));
    EXPECT_EQ(readFileBytes(path), kOldContent);
    EXPECT_EQ(dir.entries(), std::vector<std::wstring>{L"song.mid"});
}

// Writing over a link writes the file it names: the user's song is the file,
// and replacing the link with a new file would leave the song as it was.
TEST(FileReplace, WritingOverALinkReplacesTheFileItNames) {
    TempDir dir;
    fs::create_directory(dir.path / "songs");
    const auto real = dir.path / "songs" / "song.mid";
    writeFileBytes(real, kOldContent);
    fs::create_symlink("songs/song.mid", dir.path / "link.mid");
    ASSERT_TRUE(replace(dir.path / "link.mid"));
    EXPECT_TRUE(fs::is_symlink(dir.path / "link.mid"));
    EXPECT_EQ(readFileBytes(real), kNewContent);
    EXPECT_EQ(dir.entries(), (std::vector<std::wstring>{L"link.mid", L"songs"}));
}

// File systems take names of up to 255 bytes: the temporary of a file of the
// longest name must find room too.
TEST(FileReplace, FileUnderTheLongestNameAFileSystemTakesIsWritten) {
    TempDir dir;
    const std::wstring name(255, L'a');
    ASSERT_TRUE(replace(dir.path / name));
    EXPECT_EQ(readFileBytes(dir.path / name), kNewContent);
    EXPECT_EQ(dir.entries(), std::vector<std::wstring>{name});
}

}  // namespace
