#include "smf/file_replace.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "support/file_size_limit.h"
#include "support/smf_builder.h"
#include "support/system_calls.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const Bytes kOldContent = {'o', 'l', 'd'};
const Bytes kNewContent(30000, 0x5A);  // well past the room a failing disk leaves below

bool replace(const fs::path& path, const Bytes& bytes = kNewContent) { return replaceFileContents(path.wstring(), bytes); }

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

struct stat statusOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
    return status;
}

// An output that is a device, a FIFO or a socket, or a link to one, is
// refused without being opened (a FIFO would wait for a reader) and stays.
TEST(FileReplace, SpecialFilesAtTheOutputAreRefusedAndLeftAsTheyAre) {
    struct Case {
        const char* name;
        bool (*make)(const fs::path& path);
    };
    const Case cases[] = {
        {"fifo", [](const fs::path& p) { return mkfifo(p.c_str(), 0666) == 0; }},
        {"socket",
         [](const fs::path& p) {
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             p.native().copy(address.sun_path, sizeof address.sun_path - 1);
             const int s = socket(AF_UNIX, SOCK_STREAM, 0);
             const bool bound = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
             close(s);
             return bound;
         }},
        // A null device of the test's own: creating one needs root.
        {"device", [](const fs::path& p) { return mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; }},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const fs::path special = dir.path / c.name;
        if (!c.make(special)) {
            continue;  // a device needs root
        }
        fs::create_symlink(c.name, dir.path / "link.mid");
        const std::vector<std::wstring> before = dir.entries();
        const mode_t type = statusOf(special).st_mode & S_IFMT;
        EXPECT_FALSE(replace(special)) << c.name;
        EXPECT_FALSE(replace(dir.path / "link.mid")) << c.name;
        EXPECT_EQ(statusOf(special).st_mode & S_IFMT, type) << c.name;
        EXPECT_EQ(dir.entries(), before) << c.name;
    }
}

// The file reaches the disk before it takes the old one's name, and the name
// before the replacement reports success; meanwhile the temporary is private.
TEST(FileReplace, DataIsFlushedBeforeTheRenameAndTheFolderAfterIt) {
    TempDir dir;
    const fs::path path = dir.path / "song.mid";
    writeFileBytes(path, kOldContent);
    fs::permissions(path, fs::perms(0644));
    systemCallLog.clear();
    logSystemCalls = true;
    const bool replaced = replace(path);
    logSystemCalls = false;
    ASSERT_TRUE(replaced);
    ASSERT_EQ(systemCallLog.size(), 3u);
    EXPECT_EQ(systemCallLog[0].name, "fdatasync");
    EXPECT_EQ(systemCallLog[0].mode, S_IFREG | 0600);
    EXPECT_EQ(systemCallLog[1].name, "rename");
    EXPECT_EQ(systemCallLog[2].name, "fsync");
    EXPECT_TRUE(S_ISDIR(systemCallLog[2].mode));
    EXPECT_EQ(statusOf(path).st_mode & 07777, 0644u);
    EXPECT_EQ(readFileBytes(path), kNewContent);
}

// Root may give any owner: the replaced file keeps its owner, group and mode.
TEST(FileReplace, ReplacedFileKeepsItsOwnerGroupAndMode) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file to another user";
    }
    TempDir dir;
    const fs::path path = dir.path / "song.mid";
    writeFileBytes(path, kOldContent);
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(replace(path));
    const struct stat after = statusOf(path);
    EXPECT_EQ(after.st_uid, 65534u);
    EXPECT_EQ(after.st_gid, 65534u);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(readFileBytes(path), kNewContent);
}

// Links are followed to the file they name, even one still to be made; a loop
// is refused. The links stay links.
TEST(FileReplace, LinkChainsAreFollowedAndLoopsRefused) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, const char*>> links;  // name, target
        const char* written;                                      // nullptr: refused
    };
    const Case cases[] = {
        {"TargetNotThereYet", {{"link.mid", "songs/new.mid"}}, "songs/new.mid"},
        {"Chain", {{"link.mid", "songs/second.mid"}, {"songs/second.mid", "/ABS/songs/real.mid"}}, "songs/real.mid"},
        {"Loop", {{"link.mid", "songs/a.mid"}, {"songs/a.mid", "../link.mid"}}, nullptr},
    };
    for (const Case& c : cases) {
        TempDir dir;
        fs::create_directory(dir.path / "songs");
        for (const auto& [name, target] : c.links) {
            std::string to = target;
            if (to.rfind("/ABS/", 0) == 0) {
                to = (dir.path / to.substr(5)).string();
            }
            fs::create_symlink(to, dir.path / name);
        }
        EXPECT_EQ(replace(dir.path / "link.mid"), c.written != nullptr) << c.name;
        if (c.written != nullptr) {
            EXPECT_EQ(readFileBytes(dir.path / c.written), kNewContent) << c.name;
        }
        EXPECT_TRUE(fs::is_symlink(dir.path / "link.mid")) << c.name;
        for (const auto& entry : fs::recursive_directory_iterator(dir.path)) {
            EXPECT_NE(entry.path().extension(), ".tmp") << c.name;
        }
    }
}

// A link in a folder deeper than PATH_MAX, named relative to it: no path to
// it can be made absolute.
TEST(FileReplace, ALinkInAFolderDeeperThanPathMaxIsWrittenThrough) {
    TempDir dir;
    const fs::path start = fs::current_path();
    fs::current_path(dir.path);
    const std::string step(200, 'd');
    for (std::size_t depth = 0; depth * (step.size() + 1) <= PATH_MAX; ++depth) {
        ASSERT_EQ(mkdir(step.c_str(), 0755), 0);
        ASSERT_EQ(chdir(step.c_str()), 0);
    }
    writeFileBytes("real.mid", kOldContent);
    fs::create_symlink("real.mid", "link.mid");
    const bool replaced = replace("link.mid");
    const bool stillLink = fs::is_symlink("link.mid");
    const Bytes written = readFileBytes("real.mid");
    fs::current_path(start);
    EXPECT_TRUE(replaced);
    EXPECT_TRUE(stillLink);
    EXPECT_EQ(written, kNewContent);
}

// What a new file would lose: the other names of a hard link, an extended
// attribute (ACLs are some). The file is rewritten where it stands instead.
TEST(FileReplace, AFileWithOtherNamesOrAttributesIsRewrittenInPlace) {
    TempDir dir;
    const fs::path path = dir.path / "song.mid";
    writeFileBytes(path, Bytes(50000, 0x11));  // longer than the new content
    fs::create_hard_link(path, dir.path / "other name.mid");
    const bool attributes = setxattr(path.c_str(), "user.note", "kept", 4, 0) == 0;
    const ino_t inode = statusOf(path).st_ino;

    systemCallLog.clear();
    logSystemCalls = true;
    const bool replaced = replace(path);
    logSystemCalls = false;
    ASSERT_TRUE(replaced);
    EXPECT_EQ(statusOf(path).st_ino, inode);
    EXPECT_EQ(readFileBytes(path), kNewContent);
    EXPECT_EQ(readFileBytes(dir.path / "other name.mid"), kNewContent);
    ASSERT_EQ(systemCallLog.size(), 1u);
    EXPECT_EQ(systemCallLog[0].name, "fdatasync");

    fs::remove(dir.path / "other name.mid");
    if (attributes) {
        ASSERT_TRUE(replace(path, kOldContent));
        EXPECT_EQ(statusOf(path).st_ino, inode);
        char value[8] = {};
        EXPECT_EQ(getxattr(path.c_str(), "user.note", value, sizeof value), 4);
        EXPECT_STREQ(value, "kept");
    }
    EXPECT_EQ(dir.entries(), std::vector<std::wstring>{L"song.mid"});
}

// A user who may write the file but not create or rename files in its folder
// (a sticky shared folder, a read-only one) still saves it, in place. Run as
// another user in a child process, since root may do anything.
TEST(FileReplace, AWritableFileInAFolderThatRefusesNewFilesIsRewrittenInPlace) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    for (const mode_t folderMode : {01777, 0755}) {
        TempDir dir;
        chmod(dir.path.c_str(), 0755);
        const fs::path folder = dir.path / "shared";
        fs::create_directory(folder);
        ASSERT_EQ(chmod(folder.c_str(), folderMode), 0);
        const fs::path path = folder / "song.mid";
        writeFileBytes(path, kOldContent);
        ASSERT_EQ(chmod(path.c_str(), 0666), 0);
        const pid_t child = fork();
        if (child == 0) {
            const bool asNobody = setgroups(0, nullptr) == 0 && setresgid(65534, 65534, 65534) == 0 &&
                                  setresuid(65534, 65534, 65534) == 0;
            _exit(asNobody && replace(path) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << std::oct << folderMode;
        EXPECT_EQ(readFileBytes(path), kNewContent) << std::oct << folderMode;
        EXPECT_EQ(statusOf(path).st_uid, 0u);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1) << std::oct << folderMode;
    }
}

}  // namespace
