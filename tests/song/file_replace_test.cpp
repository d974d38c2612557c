#include "song/file_replace.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <optional>

#include <fcntl.h>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "song/file_path.h"
#include "support/file_size_limit.h"
#include "support/smf_builder.h"
#include "support/system_calls.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

const Bytes kOldContent = {'o', 'l', 'd'};
const Bytes kNewContent(30000, 0x5A);  // well past the room a failing disk leaves below

bool replace(const fs::path& path, const Bytes& bytes = kNewContent) { return replaceFileContents(path.wstring(), bytes); }

pid_t programAtOutput = 0;  // started by a case, ended after it

// A copy of a program of the system, running: the kernel lets nobody write
// the file that a running program was loaded from. Empty where it cannot run.
fs::path runProgramFrom(const fs::path& folder) {
    const fs::path program = folder / "program";
    std::error_code error;
    int started[2];
    if (!fs::copy_file("/bin/sleep", program, error) || pipe2(started, O_CLOEXEC) != 0) {
        return {};
    }
    programAtOutput = fork();
    if (programAtOutput == 0) {
        execl(program.c_str(), "sleep", "60", static_cast<char*>(nullptr));
        const char failed = 1;
        (void)write(started[1], &failed, 1);
        _exit(127);
    }
    close(started[1]);
    char failed = 0;
    // The pipe closes without a byte once the program runs.
    const bool running = read(started[0], &failed, 1) == 0;
    close(started[0]);
    return running ? program : fs::path();
}

// Ways a replacement fails. Each must give false with its reason, keep what
// stood at the output path, and leave nothing else behind. The test's folder
// holds old.mid (kOldContent) beforehand.
struct FailureCase {
    const char* name;
    fs::path (*prepare)(const fs::path& folder);  // returns the output path; empty where it cannot be made
    rlim_t diskRoom;                              // 0: no limit
    bool asAnotherUser;                           // root ignores permissions: run as nobody
    WriteFailure why;
};

const FailureCase kFailures[] = {
    {"MissingFolder", [](const fs::path& f) { return f / "missing" / "out.mid"; }, 0, false, WriteFailure::Other},
    {"FolderIsARegularFile", [](const fs::path& f) { return f / "old.mid" / "out.mid"; }, 0, false,
     WriteFailure::Other},
    {"OutputIsAFolder",
     [](const fs::path& f) {
         fs::create_directory(f / "out.mid");
         return f / "out.mid";
     },
     0, false, WriteFailure::Other},
    {"OutputIsReadOnly",
     [](const fs::path& f) {
         fs::permissions(f / "old.mid", fs::perms::owner_read);
         return f / "old.mid";
     },
     0, true, WriteFailure::ReadOnly},
    {"NewOutputInAFolderThatTakesNoFile",
     [](const fs::path& f) {
         fs::permissions(f, fs::perms(0555));
         return f / "new.mid";
     },
     0, true, WriteFailure::FolderNotWritable},
    // Written in place, were there room for its side copy.
    {"WritableOutputInAFolderThatTakesNoFile",
     [](const fs::path& f) {
         fs::permissions(f / "old.mid", fs::perms(0666));
         fs::permissions(f, fs::perms(0555));
         return f / "old.mid";
     },
     0, true, WriteFailure::FolderNotWritable},
    {"ProgramRunningFromTheOutput", runProgramFrom, 0, false, WriteFailure::InUse},
    {"DiskFillsUpHalfWay", [](const fs::path& f) { return f / "old.mid"; }, 4096, false, WriteFailure::DiskFull},
    {"DiskFillsUpHalfWayInPlace",  // a second name makes it a rewrite in place
     [](const fs::path& f) {
         fs::create_hard_link(f / "old.mid", f / "other name.mid");
         return f / "old.mid";
     },
     4096, false, WriteFailure::DiskFull},
    // A save cut short by a kill left the song as it was beside it: the copy
    // may be the only whole song, which the next save must not pass over.
    {"SideCopyOfAnInterruptedSave",
     [](const fs::path& f) {
         writeFileBytes(sideCopyBeside(f / "old.mid"), kOldContent);
         return f / "old.mid";
     },
     0, false, WriteFailure::Other},
};

constexpr int kReplaced = 100;

// Replaces `output` in a child process, as the case says, and returns its
// exit status: kReplaced, or the reason it failed.
int replaceInAChild(const FailureCase& c, const fs::path& output) {
    const pid_t child = fork();
    if (child == 0) {
        if (c.asAnotherUser && geteuid() == 0 &&
            !(setgroups(0, nullptr) == 0 && setresgid(65534, 65534, 65534) == 0 && setresuid(65534, 65534, 65534) == 0)) {
            _exit(kReplaced + 1);
        }
        std::optional<FileSizeLimit> full;
        if (c.diskRoom != 0) {
            full.emplace(c.diskRoom);
        }
        _exit(replace(output) ? kReplaced : int(lastWriteFailure));
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FileReplace, AFailedReplacementSaysWhyKeepsWhatWasThereAndLeavesNothingBehind) {
    for (const FailureCase& c : kFailures) {
        TempDir dir;
        writeFileBytes(dir.path / "old.mid", kOldContent);
        const fs::path output = c.prepare(dir.path);
        if (output.empty()) {
            std::cout << c.name << ": this system cannot make the case\n";
            continue;
        }
        const std::vector<std::wstring> before = dir.entries();
        EXPECT_EQ(replaceInAChild(c, output), int(c.why)) << c.name;
        if (programAtOutput > 0) {
            kill(programAtOutput, SIGKILL);
            waitpid(programAtOutput, nullptr, 0);
            programAtOutput = 0;
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

// A content in pieces is written as one, whether through a temporary or, for a
// file with another name, in place over a longer one.
TEST(FileReplace, AContentInPiecesIsWrittenWholeBothWays) {
    TempDir dir;
    const auto path = dir.path / "song.mid";
    const Bytes first(70000, 0x01), second = {0x02, 0x03};
    const std::span<const std::uint8_t> pieces[] = {first, {}, second, kOldContent};
    Bytes whole;
    for (const std::span<const std::uint8_t> piece : pieces) {
        whole.insert(whole.end(), piece.begin(), piece.end());
    }

    ASSERT_TRUE(replaceFileContents(path.wstring(), FileContent(pieces)));
    EXPECT_EQ(readFileBytes(path), whole);
    writeFileBytes(path, Bytes(100000, 0xAA));
    fs::create_hard_link(path, dir.path / "other name.mid");
    ASSERT_TRUE(replaceFileContents(path.wstring(), FileContent(pieces)));
    EXPECT_EQ(readFileBytes(dir.path / "other name.mid"), whole);
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

std::vector<std::string> callNames() {
    std::vector<std::string> names;
    for (const SystemCall& call : systemCallLog) {
        names.push_back(call.name);
    }
    return names;
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
    ASSERT_EQ(callNames(), (std::vector<std::string>{"pwrite", "fdatasync", "rename", "fsync"}));
    EXPECT_EQ(systemCallLog[1].mode, S_IFREG | 0600);
    EXPECT_TRUE(S_ISDIR(systemCallLog[3].mode));
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
    // The song as it was reaches the disk under the side copy's name, folder
    // included, before the first byte of the file changes.
    ASSERT_EQ(callNames(), (std::vector<std::string>{"pwrite", "fdatasync", "rename", "fsync", "pwrite", "fdatasync",
                                                     "unlink", "fsync"}));
    EXPECT_EQ(systemCallLog[1].mode, S_IFREG | 0600);
    EXPECT_TRUE(S_ISDIR(systemCallLog[3].mode));

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

// A user who may write the file but not rename files in its folder (a sticky
// shared folder) still saves it, in place. In a folder that lets no file be
// made, no side copy can keep the song meanwhile: the save is refused. Run as
// another user in a child process, since root may do anything.
TEST(FileReplace, AWritableFileInAFolderThatRefusesRenamesIsRewrittenInPlace) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    for (const auto& [folderMode, saved] : {std::pair{01777, true}, std::pair{0755, false}}) {
        TempDir dir;
        chmod(dir.path.c_str(), 0755);
        const fs::path folder = dir.path / "shared";
        fs::create_directory(folder);
        ASSERT_EQ(chmod(folder.c_str(), mode_t(folderMode)), 0);
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
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == (saved ? 0 : 1)) << std::oct << folderMode;
        EXPECT_EQ(readFileBytes(path), saved ? kNewContent : kOldContent) << std::oct << folderMode;
        EXPECT_EQ(statusOf(path).st_uid, 0u);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1) << std::oct << folderMode;
    }
}

// In a sticky folder that anyone may write to, a link or a file that a
// stranger left there is not used, by root either: the link could name any of
// root's files, and the file would stay the stranger's to change. The caller's
// own, and the folder owner's, are.
TEST(FileReplace, InASharedStickyFolderOnlyTheCallersAndTheFolderOwnersEntriesAreUsed) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to give entries to other users";
    }
    struct Case {
        const char* name;
        bool link;          // out.mid is a link to ../victim.mid, else a file
        uid_t owner;        // of out.mid
        uid_t folderOwner;  // of the sticky folder
        bool used;
    };
    const Case cases[] = {
        {"StrangersLink", true, 65534, 0, false},
        {"StrangersFile", false, 65534, 0, false},
        {"OwnLink", true, 0, 0, true},
        {"FolderOwnersLink", true, 65534, 65534, true},
        {"FolderOwnersFile", false, 65534, 65534, true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const fs::path folder = dir.path / "shared";
        fs::create_directory(folder);
        ASSERT_EQ(chown(folder.c_str(), c.folderOwner, c.folderOwner), 0);
        ASSERT_EQ(chmod(folder.c_str(), 01777), 0);
        writeFileBytes(dir.path / "victim.mid", kOldContent);
        const fs::path out = folder / "out.mid";
        if (c.link) {
            fs::create_symlink("../victim.mid", out);
            ASSERT_EQ(lchown(out.c_str(), c.owner, c.owner), 0);
        } else {
            writeFileBytes(out, kOldContent);
            ASSERT_EQ(chown(out.c_str(), c.owner, c.owner), 0);
            ASSERT_EQ(chmod(out.c_str(), 0666), 0);
        }
        EXPECT_EQ(replace(out), c.used) << c.name;
        if (!c.used) {
            EXPECT_EQ(lastWriteFailure, WriteFailure::Other) << c.name;  // no reason the user could see to
        }
        const fs::path written = c.link ? dir.path / "victim.mid" : out;
        EXPECT_EQ(readFileBytes(written), c.used ? kNewContent : kOldContent) << c.name;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1) << c.name;
    }
}

// A save stopped after each of its system calls in turn (a kill), or with
// every call failing from some point on (a dying disk), leaves a whole song on
// the disk: the file holds the old song or the new one, or, while it is being
// rewritten in place, its side copy holds the old one. A failure leaves the
// file as it was, or the side copy where the old song could not be put back.
TEST(FileReplace, AtEveryCrashPointOfASaveAWholeSongIsOnTheDisk) {
    struct Case {
        const char* name;
        Bytes old;
        bool otherName;  // a hard link: rewritten in place
    };
    const Case cases[] = {
        {"ThroughATemporary", kOldContent, false},
        {"InPlaceGrowing", kOldContent, true},
        {"InPlaceShrinking", Bytes(50000, 0x11), true},
    };
    for (const Case& c : cases) {
        for (const bool stop : {true, false}) {
            for (int call = 1;; ++call) {
                const std::string where = std::string(c.name) + (stop ? " stopped at call " : " failing from call ") +
                                          std::to_string(call);
                TempDir dir;
                const fs::path path = dir.path / "song.mid";
                writeFileBytes(path, c.old);
                if (c.otherName) {
                    fs::create_hard_link(path, dir.path / "other name.mid");
                }
                const pid_t child = fork();
                if (child == 0) {
                    wrappedCalls = 0;
                    (stop ? stopAtCall : failFromCall) = call;
                    _exit(replace(path) ? 0 : 1);
                }
                int status = 0;
                ASSERT_EQ(waitpid(child, &status, 0), child) << where;
                ASSERT_TRUE(WIFEXITED(status)) << where;
                const int exit = WEXITSTATUS(status);
                const Bytes now = readFileBytes(path);
                const fs::path copy = sideCopyBeside(path);
                const bool copyKept = fs::exists(copy);
                if (copyKept) {
                    EXPECT_EQ(readFileBytes(copy), c.old) << where;
                }
                if (exit == kStoppedExit) {
                    EXPECT_TRUE(now == c.old || now == kNewContent || copyKept) << where;
                } else if (exit == 1) {
                    // Once the temporary has the file's name, only the folder's flush can fail.
                    EXPECT_TRUE(now == c.old || copyKept || (!c.otherName && now == kNewContent)) << where;
                } else {
                    EXPECT_EQ(now, kNewContent) << where;
                    if (!copyKept) {
                        break;  // the save got past every call
                    }
                }
            }
        }
    }
}

}  // namespace
