// Disks that fail and folders that refuse, met by the three save commands and
// by the command-line tool: a failed save is silent, leaves no file behind,
// keeps what was at the output path, and changes nothing in memory.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include <sys/resource.h>

#include "bench/song_generator.h"
#include "drums/drum_inventory.h"
#include "hardening/hardening_support.h"
#include "split/format1.h"
#include "split/save_command.h"
#include "split/split_saves.h"
#include "support/program_state.h"
#include "support/temp_dir.h"
#include "ui/texts.h"
#include "ui/window_headless.h"

namespace fs = std::filesystem;

namespace {

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

    // Runs a save that must fail: it says so, and nothing in memory changed.
    void saveFails(const SaveCase& c) {
        headlessWindow.overwriteBoxChecked = c.overwriteBox;
        headlessWindow.statusTimerStarts = 0;
        EXPECT_FALSE(c.save(nullptr).written) << c.name;
        EXPECT_EQ(headlessWindow.statusLine, L"Save failed.") << c.name;
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

// Ways in which the folder of the outputs goes wrong after the song was loaded
// from it. Root can write anywhere, so none of them relies on permissions.
struct FolderFault {
    const char* name;
    void (*damage)(const fs::path& root);  // the song was loaded from root/sub/song.mid
    std::vector<std::wstring> rootAfter;   // what root holds after the failed save
};

const FolderFault kFolderFaults[] = {
    {"FolderIsGone", [](const fs::path& root) { fs::remove_all(root / "sub"); }, {}},
    {"FolderIsNowARegularFile",
     [](const fs::path& root) {
         fs::rename(root / "sub", root / "moved");
         writeFileBytes(root / "sub", {'x'});
     },
     {L"moved", L"sub"}},
};

TEST_F(WriteFaults, FolderThatCannotBeWrittenGivesAFailedSave) {
    for (const FolderFault& fault : kFolderFaults) {
        for (const SaveCase& c : kSaves) {
            TempDir root;
            load(root.path / "sub");
            fault.damage(root.path);
            saveFails(c);
            EXPECT_EQ(root.entries(), fault.rootAfter) << fault.name << ", " << c.name;
            if (fs::exists(root.path / "moved")) {
                EXPECT_EQ(fs::directory_iterator(root.path / "moved")->path().filename(), "song.mid");
                EXPECT_EQ(std::distance(fs::directory_iterator(root.path / "moved"), {}), 1);
                EXPECT_EQ(readFileBytes(root.path / "sub"), Bytes{'x'});
            }
        }
    }
}

TEST_F(WriteFaults, OutputPathTakenByAFolderIsLeftAsItIs) {
    for (const SaveCase& c : kSaves) {
        TempDir folder;
        load(folder.path);
        if (c.overwriteBox) {
            fs::remove(folder.path / "song.mid");  // the input itself became a folder
        }
        fs::create_directory(folder.path / c.outputName);
        writeFileBytes(folder.path / c.outputName / "inside.txt", {'k'});
        saveFails(c);
        EXPECT_TRUE(fs::is_directory(folder.path / c.outputName)) << c.name;
        EXPECT_EQ(readFileBytes(folder.path / c.outputName / "inside.txt"), Bytes{'k'}) << c.name;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), {}), c.overwriteBox ? 1 : 2) << c.name;
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

// File systems take names of up to 255 bytes (Linux) or UTF-16 units (Windows):
// an output under the longest name must be written, its temporary included.
TEST_F(WriteFaults, OutputUnderTheLongestNameAFileSystemTakesIsWritten) {
    for (const SaveCase& c : kSaves) {
        TempDir folder;
        const std::wstring suffix = std::wstring(c.outputName).substr(4);  // what follows "song"
        // Outputs are the input's stem and a suffix; over the input, the input's own name.
        const std::size_t stemLength = c.overwriteBox ? 255 - 4 : 255 - suffix.size();
        const std::wstring stem(stemLength, L'a');
        const fs::path input = folder.path / (stem + L".mid");
        writeFileBytes(input, bigSong());
        fileLoaded = loadSong(input.wstring());
        ASSERT_TRUE(fileLoaded);
        const std::wstring written = c.overwriteBox ? stem + L".mid" : stem + suffix;
        ASSERT_EQ(written.size(), 255u);

        headlessWindow.overwriteBoxChecked = c.overwriteBox;
        EXPECT_TRUE(c.save(nullptr).written) << c.name;
        std::vector<std::wstring> expected{stem + L".mid"};
        if (!c.overwriteBox) {
            expected.push_back(written);
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(folder.entries(), expected) << c.name;
    }
}

// The command-line tool on a disk with 2 kB of room: the song that does not
// fit is reported and kept whole; the one that fits is saved over itself.
TEST(WriteFaultsThroughTheTool, ADiskThatFillsUpFailsOnlyTheFileThatDoesNotFit) {
    TempDir folder, logs;
    writeFileBytes(folder.path / "big.mid", bigSong());
    const Bytes small = mthd(1) + mtrk({0x00, 0x99, 36, 100, 0x60, 0x89, 36, 0x40});
    writeFileBytes(folder.path / "small.mid", small);

    // "ulimit -f" counts 512-byte blocks in the POSIX shell.
    const std::string command = "trap '' XFSZ; ulimit -f 4; LC_ALL=C exec " + shellQuoted(tessalinePath()) +
                                " split-overwrite --in-place " + shellQuoted((folder.path / "big.mid").string()) + " " +
                                shellQuoted((folder.path / "small.mid").string());
    EXPECT_EQ(runShell(command, logs.path), 1);
    EXPECT_EQ(fileText(logs.path / "stderr"), "Could not write\t" + (folder.path / "big.mid").string() + "\n");
    EXPECT_EQ(fileText(logs.path / "stdout"),
              "Saved: Direct Overwrite to Input File\t" + (folder.path / "small.mid").string() + "\n");
    EXPECT_EQ(readFileBytes(folder.path / "big.mid"), bigSong());
    EXPECT_NE(readFileBytes(folder.path / "small.mid"), small);
    EXPECT_EQ(folder.entries(), (std::vector<std::wstring>{L"big.mid", L"small.mid"}));
}

}  // namespace
