// A disk that fails, met by the three save commands and by the command-line
// tool: a failed save is silent, leaves no file behind, keeps what was at the
// output path, and changes nothing in memory. The ways a replacement fails are
// tested with the replacement itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/song_generator.h"
#include "cli/run.h"
#include "drums/drum_inventory.h"
#include "hardening/hardening_support.h"
#include "song/file_path.h"
#include "song/file_replace.h"
#include "split/format1.h"
#include "split/save_command.h"
#include "split/split_saves.h"
#include "support/file_size_limit.h"
#include "support/program_state.h"
#include "support/system_calls.h"
#include "support/temp_dir.h"
#include "ui/texts.h"
#include "ui/window_headless.h"

namespace fs = std::filesystem;

namespace {

constexpr rlim_t kDiskRoom = 4096;

// A song whose every output is well past kDiskRoom.
const Bytes& bigSong() {
    static const Bytes song = generateSong(GeneratedLayout::MultiTrack, 4000);
    return song;
}

struct SaveCase {
    const char* name;
    SaveOutcome (*save)(WindowHandle);
    const wchar_t* outputName;  // in the input's folder
    bool overwriteBox;
};

const SaveCase kSaves[] = {
    {"Format1", saveFormat1, L"song_F1.mid", false},
    {"SplitInsert", saveSplitInsert, L"song_S.mid", false},
    {"SplitOverwrite", saveSplitOverwrite, L"song_OW.mid", false},
    {"SplitOverwriteOverTheInput", saveSplitOverwrite, L"song.mid", true},
};

class WriteFaults : public ::testing::Test {
protected:
    void SetUp() override { resetProgramState(); }

    // Loads bigSong from `folder`/song.mid, with some destinations changed.
    void load(const fs::path& folder) {
        fs::create_directories(folder);
        writeFileBytes(folder / "song.mid", bigSong());
        fileLoaded = loadSong((folder / "song.mid").wstring());
        ASSERT_TRUE(fileLoaded);
        ASSERT_GE(drumNoteList.size(), 3u);
        assignmentMap[drumNoteList[0]] = TR5;
        assignmentMap[drumNoteList[1]] = BOTH;
        loaded_ = songData.tracks;
        assignments_ = assignmentMap;
        headlessWindow = HeadlessWindow();
        headlessWindow.statusLine = L"before";
    }

    // Runs a save that must fail for want of room: it says so, and nothing in memory changed.
    void saveFails(const SaveCase& c) {
        headlessWindow.overwriteBoxChecked = c.overwriteBox;
        headlessWindow.statusTimerStarts = 0;
        EXPECT_FALSE(c.save(nullptr).written) << c.name;
        EXPECT_EQ(headlessWindow.statusLine, L"Save failed: the disk is full.") << c.name;
        EXPECT_EQ(headlessWindow.statusTimerStarts, 1) << c.name;
        EXPECT_EQ(songData.tracks, loaded_) << c.name;
        EXPECT_EQ(assignmentMap, assignments_) << c.name;
    }

    // Runs a save that must work, and returns what it wrote.
    Bytes saveWorks(const SaveCase& c, const fs::path& folder) {
        headlessWindow.overwriteBoxChecked = c.overwriteBox;
        const SaveOutcome saved = c.save(nullptr);
        EXPECT_TRUE(saved.written) << c.name;
        EXPECT_EQ(saved.path, (folder / c.outputName).wstring()) << c.name;
        EXPECT_EQ(songData.tracks, loaded_) << c.name;
        return readFileBytes(folder / c.outputName);
    }

    TempDir dir;
    std::vector<Track> loaded_;
    AssignmentMap assignments_;
};

TEST_F(WriteFaults, DiskFillingUpHalfWayKeepsWhatWasAtTheOutputPath) {
    for (const SaveCase& c : kSaves) {
        TempDir folder;
        load(folder.path);
        const Bytes previous = c.overwriteBox ? bigSong() : Bytes{'o', 'l', 'd'};
        writeFileBytes(folder.path / c.outputName, previous);
        {
            FileSizeLimit full(kDiskRoom);
            saveFails(c);
        }
        EXPECT_EQ(readFileBytes(folder.path / c.outputName), previous) << c.name;
        const std::vector<std::wstring> expected =
            c.overwriteBox ? std::vector<std::wstring>{L"song.mid"} : std::vector<std::wstring>{L"song.mid", c.outputName};
        EXPECT_EQ(folder.entries(), expected) << c.name;

        // With room again the same save works, from the song in memory.
        const Bytes written = saveWorks(c, folder.path);
        EXPECT_GT(written.size(), kDiskRoom) << c.name;
        EXPECT_EQ(folder.entries(), expected) << c.name;
    }
}

TEST_F(WriteFaults, SavesWorkFromMemoryAfterTheInputWasDeleted) {
    for (const SaveCase& c : kSaves) {
        TempDir folder;
        load(folder.path);
        const Bytes reference = saveWorks(c, folder.path);
        ASSERT_FALSE(reference.empty()) << c.name;
        fs::remove(folder.path / "song.mid");
        fs::remove(folder.path / c.outputName);

        EXPECT_EQ(saveWorks(c, folder.path), reference) << c.name;
        EXPECT_EQ(folder.entries(), std::vector<std::wstring>{c.outputName}) << c.name;
    }
}

// The command-line tool on a disk with 2 kB of room (ulimit -f, whose signal
// the tool ignores): the song that does not fit is reported, with why, and
// kept whole; the one that fits is saved over itself.
TEST(WriteFaultsThroughTheTool, ADiskThatFillsUpFailsOnlyTheFileThatDoesNotFit) {
    const struct {
        const char* locale;
        std::string failed, saved;
    } languages[] = {
        {"C", "Could not write (the disk is full)", "Saved: Direct Overwrite to Input File"},
        {"ja_JP.UTF-8", "保存失敗 (ディスクに空きがありません)", "保存完了: 入力ファイルに直接上書きしました"},
    };
    for (const auto& language : languages) {
        TempDir folder, logs;
        writeFileBytes(folder.path / "big.mid", bigSong());
        const Bytes small = mthd(1) + mtrk({0x00, 0x99, 36, 100, 0x60, 0x89, 36, 0x40});
        writeFileBytes(folder.path / "small.mid", small);

        // "ulimit -f" counts 512-byte blocks in the POSIX shell.
        const std::string command = "ulimit -f 4; LC_ALL=" + std::string(language.locale) + " exec " +
                                    shellQuoted(tessalinePath()) + " split-overwrite --in-place " +
                                    shellQuoted((folder.path / "big.mid").string()) + " " +
                                    shellQuoted((folder.path / "small.mid").string());
        EXPECT_EQ(runShell(command, logs.path), 1) << language.locale;
        EXPECT_EQ(fileText(logs.path / "stderr"), language.failed + "\t" + (folder.path / "big.mid").string() + "\n");
        EXPECT_EQ(fileText(logs.path / "stdout"), language.saved + "\t" + (folder.path / "small.mid").string() + "\n");
        EXPECT_EQ(readFileBytes(folder.path / "big.mid"), bigSong()) << language.locale;
        EXPECT_NE(readFileBytes(folder.path / "small.mid"), small) << language.locale;
        EXPECT_EQ(folder.entries(), (std::vector<std::wstring>{L"big.mid", L"small.mid"})) << language.locale;
    }
}

// Ctrl-C, SIGTERM or SIGHUP in the middle of a save, which the signal ends:
// through a temporary, the tool removes it and the song stays as it was; in
// place (a second name), the signal waits until the file is whole with the new
// song and its side copy gone. The signal comes at the first flush.
TEST(WriteFaultsThroughTheTool, ASaveCutShortByASignalLeavesAWholeSongAndNothingElse) {
    const Bytes old = {'o', 'l', 'd'};
    const Bytes song(100000, 1);
    for (const bool inPlace : {false, true}) {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            TempDir folder;
            writeFileBytes(folder.path / "song.mid", old);
            std::vector<std::wstring> names = {L"song.mid"};
            if (inPlace) {
                fs::create_hard_link(folder.path / "song.mid", folder.path / "z other name.mid");
                names.push_back(L"z other name.mid");
            }
            const pid_t child = fork();
            if (child == 0) {
                prepareSignals();
                signalAtDataSync = signal;
                replaceFileContents((folder.path / "song.mid").wstring(), song);
                _exit(0);
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
            EXPECT_EQ(folder.entries(), names) << signal;
            EXPECT_EQ(readFileBytes(folder.path / "song.mid"), inPlace ? song : old) << signal;
        }
    }
}

// A file system of its own in an image file, on a loop device: made, mounted,
// and for a power cut shut down without flushing its log, then mounted again.
// It needs root, the file system's tools and loop devices; without them the
// tests that use it are skipped.
class DiskImage {
public:
    DiskImage(const std::string& type, int megabytes) : mount_(dir_.path / "mnt") {
        fs::create_directory(mount_);
        const std::string image = shellQuoted((dir_.path / "image").string());
        // ext4 keeps no blocks for root here: root fills the disk as any user would.
        const std::string format = type == "ext4" ? "mkfs.ext4 -q -F -m 0 " : "mkfs." + type + " -q -f ";
        mounted_ = geteuid() == 0 && runShell("truncate -s " + std::to_string(megabytes) + "M " + image + " && " + format +
                                                  image + " && mount -o loop " + image + " " + quotedMount(),
                                              dir_.path) == 0;
        image_ = image;
    }
    ~DiskImage() {
        if (mounted_) {
            runShell("umount " + quotedMount() + " || umount -l " + quotedMount(), dir_.path);
        }
    }
    DiskImage(const DiskImage&) = delete;
    DiskImage& operator=(const DiskImage&) = delete;

    bool mounted() const { return mounted_; }
    const fs::path& root() const { return mount_; }

    // XFS's shutdown drops what its log holds unwritten: what a power cut leaves.
    void cutPowerAndMountAgain() {
        mounted_ = runShell("xfs_io -x -c shutdown " + quotedMount() + " && umount " + quotedMount() +
                                " && mount -o loop " + image_ + " " + quotedMount(),
                            dir_.path) == 0;
        ASSERT_TRUE(mounted_) << fileText(dir_.path / "stderr");
    }

    // Fills the disk but for about `room` bytes.
    void leaveRoom(std::uintmax_t room) {
        fs::remove(mount_ / "fill");
        sync();
        const std::uintmax_t available = fs::space(mount_).available;
        if (available > room) {
            runShell("fallocate -l " + std::to_string(available - room) + " " + shellQuoted((mount_ / "fill").string()),
                     dir_.path);
        }
        sync();
    }

private:
    std::string quotedMount() const { return shellQuoted(mount_.string()); }

    TempDir dir_;
    fs::path mount_;
    std::string image_;
    bool mounted_ = false;
};

// A copy-on-write disk (btrfs) writes even an overwrite to new blocks: with
// room for the side copy but not for the new song, a rewrite in place (the
// song has a second name) must be refused before it starts, the song whole.
TEST(WriteFaultsOnDiskImages, ACopyOnWriteDiskOutOfRoomKeepsASongRewrittenInPlace) {
    DiskImage disk("btrfs", 300);
    if (!disk.mounted()) {
        GTEST_SKIP() << "needs root, btrfs-progs and loop devices";
    }
    TempDir logs;
    const Bytes old = generateSong(GeneratedLayout::MultiTrack, 300000);
    const fs::path song = disk.root() / "song.mid";
    writeFileBytes(song, old);
    fs::create_hard_link(song, disk.root() / "other name.mid");
    const std::string command = "LC_ALL=C " + shellQuoted(tessalinePath()) + " split-overwrite --in-place " +
                                shellQuoted(song.string());
    disk.leaveRoom(old.size() * 3 / 2);
    EXPECT_EQ(runShell(command, logs.path), 1);
    EXPECT_EQ(fileText(logs.path / "stderr"), "Could not write (the disk is full)\t" + song.string() + "\n");
    EXPECT_EQ(readFileBytes(song), old);
    EXPECT_FALSE(fs::exists(sideCopyBeside(song)));

    disk.leaveRoom(old.size() * 10);
    EXPECT_EQ(runShell(command, logs.path), 0) << fileText(logs.path / "stderr");
    EXPECT_NE(readFileBytes(song), old);
    EXPECT_EQ(readFileBytes(song), readFileBytes(disk.root() / "other name.mid"));
    EXPECT_FALSE(fs::exists(sideCopyBeside(song)));
}

// A disk with no room left (ext4, filled up): a save through a temporary stops
// at the first write that finds none, the tool says the disk is full, and
// nothing is left behind.
TEST(WriteFaultsOnDiskImages, ASaveToAFullDiskSaysTheDiskIsFull) {
    DiskImage disk("ext4", 16);
    if (!disk.mounted()) {
        GTEST_SKIP() << "needs root, e2fsprogs and loop devices";
    }
    TempDir logs;
    const fs::path song = disk.root() / "song.mid";
    writeFileBytes(song, bigSong());
    disk.leaveRoom(kDiskRoom);
    const std::string command = "LC_ALL=C " + shellQuoted(tessalinePath()) + " format1 " + shellQuoted(song.string());
    EXPECT_EQ(runShell(command, logs.path), 1);
    EXPECT_EQ(fileText(logs.path / "stderr"),
              "Could not write (the disk is full)\t" + (disk.root() / "song_F1.mid").string() + "\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(disk.root())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"fill", "lost+found", "song.mid"}));
}

// A power cut after each system call of a rewrite in place in turn, on XFS:
// the save is stopped there, the file system shut down without flushing its
// log and mounted again, with the disk given all that was written before the
// cut, or nothing more. The song is then whole, old or new, or its side copy
// holds the old one.
TEST(WriteFaultsOnDiskImages, APowerCutAtEveryStepOfARewriteInPlaceLeavesAWholeSong) {
    DiskImage disk("xfs", 300);
    if (!disk.mounted()) {
        GTEST_SKIP() << "needs root, xfsprogs and loop devices";
    }
    const Bytes old = generateSong(GeneratedLayout::MultiTrack, 20000);
    const Bytes song = generateSong(GeneratedLayout::SingleTrack, 30000);
    const fs::path path = disk.root() / "song.mid";
    for (const bool flushed : {false, true}) {
    for (int call = 1;; ++call) {
        fs::remove(sideCopyBeside(path));
        writeFileBytes(path, old);
        if (!fs::exists(disk.root() / "other name.mid")) {
            fs::create_hard_link(path, disk.root() / "other name.mid");
        }
        sync();
        const pid_t child = fork();
        if (child == 0) {
            wrappedCalls = 0;
            stopAtCall = call;
            syncAtStop = flushed;
            _exit(replaceFileContents(path.wstring(), song) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        disk.cutPowerAndMountAgain();
        const Bytes now = readFileBytes(path);
        const bool copyKept = fs::exists(sideCopyBeside(path));
        const std::string where = "call " + std::to_string(call) + (flushed ? ", flushed" : "");
        if (copyKept) {
            EXPECT_EQ(readFileBytes(sideCopyBeside(path)), old) << where;
        }
        EXPECT_TRUE(now == old || now == song || copyKept) << where;
        if (WEXITSTATUS(status) != kStoppedExit) {
            EXPECT_EQ(WEXITSTATUS(status), 0);
            break;  // the save got past every call
        }
    }
    }
}

}  // namespace
