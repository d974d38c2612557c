// The three save buttons, the overwrite check box and the status timer; what a
// save over an existing output keeps of it.

#include <algorithm>
#include <filesystem>
#include <functional>

#include "song/file_path.h"
#include "song/smf_reader.h"
#include "split/output_path.h"
#include "split/save_command.h"
#include "ui/win32/control_ids.h"
#include "ui/texts.h"
#include "window_driver.h"

namespace {

struct SaveCase {
    const char* name;
    int button;
    const wchar_t* output;  // the file the button writes beside song.mid
    int statusText;
};

const SaveCase kSaveCases[] = {
    {"SplitInsert", kSplitInsertButtonId, L"song_S.mid", kTextSavedSplitInsert},
    {"SplitOverwrite", kSplitOverwriteButtonId, L"song_OW.mid", kTextSavedSplitOverwrite},
    {"Format1", kFormat1ButtonId, L"song_F1.mid", kTextSavedFormat1},
};

// The status timer runs exactly when it can be killed.
bool statusTimerRunning(HWND window) { return KillTimer(window, kStatusTimerId) != FALSE; }

class SaveButtonTest : public MainWindowTest, public ::testing::WithParamInterface<SaveCase> {};

}  // namespace

TEST_P(SaveButtonTest, WritesItsFileShowsItsTextAndTheTimerRestoresTheHint) {
    const SaveCase& save = GetParam();
    dropSong();
    click(save.button);

    EXPECT_EQ(folder.entries(), (std::vector<std::wstring>{L"song.mid", save.output}));
    EXPECT_EQ(text(kStatusLineId), uiText(save.statusText));
    EXPECT_TRUE(statusTimerRunning(window));

    SendMessageW(window, WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextEditHint));
}

TEST_P(SaveButtonTest, FailedWriteSaysSoUntilTheTimerFires) {
    dropSong();
    click(kSplitInsertButtonId == GetParam().button ? kFormat1ButtonId : kSplitInsertButtonId);
    // A folder where the output file should go makes the write fail, within
    // three seconds of a save that worked.
    std::filesystem::create_directory(folder.path / GetParam().output);
    click(GetParam().button);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextSaveFailed));
    EXPECT_TRUE(statusTimerRunning(window));

    SendMessageW(window, WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextEditHint));
}

INSTANTIATE_TEST_SUITE_P(Buttons, SaveButtonTest, ::testing::ValuesIn(kSaveCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, TimerAfterAFailedDropRestoresTheDropPrompt) {
    dropSong();
    click(kFormat1ButtonId);
    dropSong(L"broken.mid", notMidi());
    EXPECT_EQ(text(kStatusLineId), uiText(kTextLoadFailed));
    SendMessageW(window, WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextDropPrompt));
}

TEST_F(MainWindowTest, StatusTimerFiresAfterThreeSeconds) {
    dropSong();
    click(kSplitInsertButtonId);
    const ULONGLONG saved = GetTickCount64();
    ASSERT_TRUE(pumpUntil([&] { return text(kStatusLineId) == uiText(kTextEditHint); }, 6000));
    const ULONGLONG elapsed = GetTickCount64() - saved;
    EXPECT_GE(elapsed, 2900u);
    EXPECT_LE(elapsed, 4500u);
    EXPECT_FALSE(statusTimerRunning(window)) << "a timer left running would fire every 3 s";
}

TEST_F(MainWindowTest, CheckBoxClickSetsTheOverwriteOption) {
    dropSong();
    click(kOverwriteCheckBoxId);
    EXPECT_TRUE(checked(kOverwriteCheckBoxId));
    EXPECT_TRUE(overwriteInput);
    click(kOverwriteCheckBoxId);
    EXPECT_FALSE(overwriteInput);
}

TEST_F(MainWindowTest, TickedBoxMakesOnlyTheSplitOverwriteSaveWriteOverTheInput) {
    const std::wstring input = writeSong(L"song.mid", drumSong());
    drop({input});
    click(kOverwriteCheckBoxId);

    click(kSplitInsertButtonId);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextSavedSplitInsert));
    click(kFormat1ButtonId);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextSavedFormat1));
    EXPECT_EQ(readFileBytes(input), drumSong());

    click(kSplitOverwriteButtonId);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextSavedOverInput));
    EXPECT_EQ(folder.entries(), (std::vector<std::wstring>{L"song.mid", L"song_F1.mid", L"song_S.mid"}));
    EXPECT_NE(readFileBytes(input), drumSong());

    // The option survives a drop; clearing the box takes effect at the next save.
    drop({input});
    EXPECT_TRUE(checked(kOverwriteCheckBoxId));
    click(kOverwriteCheckBoxId);
    click(kSplitOverwriteButtonId);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextSavedSplitOverwrite));
    EXPECT_EQ(folder.entries(),
              (std::vector<std::wstring>{L"song.mid", L"song_F1.mid", L"song_OW.mid", L"song_S.mid"}));
}

TEST_F(MainWindowTest, SplitOverwriteSaveReadsTheBoxItself) {
    const std::wstring input = writeSong(L"song.mid", drumSong());
    drop({input});
    // Ticked without a click reaching the window: the option is stale, the box is not.
    SendMessageW(control(kOverwriteCheckBoxId), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_FALSE(overwriteInput);
    click(kSplitOverwriteButtonId);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextSavedOverInput));
    EXPECT_TRUE(overwriteInput);
    EXPECT_EQ(folder.entries(), (std::vector<std::wstring>{L"song.mid"}));
}

namespace {

namespace fs = std::filesystem;

const Bytes kOldBytes = {'o', 'l', 'd'};

// Saves over song_S.mid, whatever stands there, what a save of song.mid by
// the split-insert button writes: `newSong`, found by a first save.
class ExistingOutputTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        dropSong();
        click(kSplitInsertButtonId);
        newSong = readFileBytes(output());
        fs::remove(output());
    }

    fs::path output() const { return folder.path / L"song_S.mid"; }

    // True when the status line says that the save wrote.
    bool save() {
        click(kSplitInsertButtonId);
        return text(kStatusLineId) == uiText(kTextSavedSplitInsert);
    }

    Bytes newSong;
};

bool underWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Runs a program of the host system in `folder` until `done`: Wine starts one
// but gives no handle to wait on.
bool runOnHost(std::wstring command, const fs::path& folder, const std::function<bool()>& done) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                          &process) &&
           pumpUntil(done, 10000);
}

// A symbolic link `name` in `folder`. Wine makes no Windows link (its
// CreateSymbolicLinkW makes nothing) but presents a link of the host system as
// the file it names, and deletes that file, not the link, when asked to delete
// the link; Windows lets only some users make links.
bool makeLink(const fs::path& folder, const std::wstring& name, const std::wstring& target) {
    const fs::path link = folder / name;
    const auto made = [&] { return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; };
    if (CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) && made()) {
        return true;
    }
    std::wstring hostTarget = target;
    std::replace(hostTarget.begin(), hostTarget.end(), L'\\', L'/');
    return underWine() && runOnHost(L"/bin/ln -s " + hostTarget + L" " + name, folder, made);
}

void removeLink(const TempDir& folder, const std::wstring& name) {
    if (!underWine()) {
        DeleteFileW(folder.file(name).c_str());
        return;
    }
    runOnHost(L"/bin/rm " + name, folder.path, [&] {
        const std::vector<std::wstring> entries = folder.entries();
        return std::find(entries.begin(), entries.end(), name) == entries.end();
    });
}

// Whether a new file may be made in `folder` now.
bool takesNewFiles(const fs::path& folder) {
    const HANDLE probe = CreateFileW((folder / L"probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(probe);
    return true;
}

std::uint64_t diskSize(const fs::path& folder) {
    ULARGE_INTEGER total{};
    return GetDiskFreeSpaceExW(folder.c_str(), nullptr, &total, nullptr) ? total.QuadPart : 0;
}

// Writes to a file of its own until the disk of `folder` has no room left.
void fillDisk(const fs::path& folder) {
    const HANDLE fill = CreateFileW((folder / L"fill").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::vector<char> block(4096);
    DWORD written = 0;
    while (WriteFile(fill, block.data(), DWORD(block.size()), &written, nullptr) && written == block.size()) {
    }
    CloseHandle(fill);
}

}  // namespace

// Hidden and system are marks that a user or a program gives a file; a new
// file in its place would not have them.
TEST_F(ExistingOutputTest, SaveOverAnOutputKeepsItsHiddenAndSystemAttributes) {
    constexpr DWORD kMarks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    writeFileBytes(output(), kOldBytes);
    ASSERT_TRUE(SetFileAttributesW(output().c_str(), kMarks));
    ASSERT_TRUE(save());
    EXPECT_EQ(GetFileAttributesW(output().c_str()) & kMarks, kMarks);
    EXPECT_EQ(readFileBytes(output()), newSong);
    EXPECT_EQ(folder.entries(), (std::vector<std::wstring>{L"song.mid", L"song_S.mid"}));
}

TEST_F(ExistingOutputTest, SaveOverAnOutputKeepsItsNamedStreams) {
    wchar_t volume[MAX_PATH] = {};
    DWORD features = 0;
    ASSERT_TRUE(GetVolumePathNameW(folder.path.c_str(), volume, MAX_PATH));
    ASSERT_TRUE(GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, &features, nullptr, 0));
    if ((features & FILE_NAMED_STREAMS) == 0) {
        GTEST_SKIP() << "the file system of " << fs::path(volume).string() << " has no named streams";
    }
    const fs::path stream = folder.path / L"song_S.mid:extra";
    writeFileBytes(output(), kOldBytes);
    writeFileBytes(stream, {'k', 'e', 'p', 't'});
    ASSERT_TRUE(save());
    EXPECT_EQ(readFileBytes(stream), (Bytes{'k', 'e', 'p', 't'}));
    EXPECT_EQ(readFileBytes(output()), newSong);
}

// Another name of the output (a hard link) names the new song too: the file is
// rewritten where it stands, growing or shrinking, and nothing is left beside it.
TEST_F(ExistingOutputTest, HardLinkedOutputIsRewrittenInPlaceUnderBothNames) {
    const fs::path other = folder.path / L"other name.mid";
    for (const Bytes& old : {kOldBytes, Bytes(50000, 0x11)}) {
        writeFileBytes(output(), old);
        ASSERT_TRUE(CreateHardLinkW(other.c_str(), output().c_str(), nullptr));
        ASSERT_TRUE(save()) << old.size();
        EXPECT_EQ(readFileBytes(output()), newSong) << old.size();
        EXPECT_EQ(readFileBytes(other), newSong) << old.size();
        EXPECT_EQ(folder.entries(), (std::vector<std::wstring>{L"other name.mid", L"song.mid", L"song_S.mid"}))
            << old.size();
        fs::remove(other);
        fs::remove(output());
    }
}

// Writing over a link writes the file it names: the user's song is the file,
// and a new file in place of the link would leave the song as it was.
TEST_F(ExistingOutputTest, LinkAtTheOutputIsFollowedToTheFileItNames) {
    fs::create_directory(folder.path / L"songs");
    const fs::path real = folder.path / L"songs" / L"real.mid";
    writeFileBytes(real, kOldBytes);
    if (!makeLink(folder.path, L"song_S.mid", L"songs\\real.mid")) {
        GTEST_SKIP() << "this system makes no symbolic link for this user";
    }
    const bool saved = save();
    const std::vector<std::wstring> entries = folder.entries();
    removeLink(folder, L"song_S.mid");
    EXPECT_TRUE(saved);
    EXPECT_EQ(readFileBytes(real), newSong);
    EXPECT_EQ(entries, (std::vector<std::wstring>{L"song.mid", L"song_S.mid", L"songs"}));
}

// A side copy beside the output means a save of it was cut short: the output
// may be damaged, the copy the one whole song. The save leaves both as they
// are, and the status line says where the song is and what to do until the
// next action, whether the output is there or not.
TEST_F(ExistingOutputTest, SideCopyBesideTheOutputStopsTheSaveAndTheStatusLineSaysHowToRecover) {
    const fs::path copy = sideCopyBeside(output());
    for (const bool outputThere : {true, false}) {
        writeFileBytes(copy, kOldBytes);
        if (outputThere) {
            writeFileBytes(output(), Bytes(2, 0x22));
        }
        const std::vector<std::wstring> before = folder.entries();
        EXPECT_FALSE(save()) << outputThere;
        EXPECT_EQ(text(kStatusLineId), sideCopyLeftText(L"song_S.mid.tessaline-old")) << outputThere;
        EXPECT_FALSE(statusTimerRunning(window)) << outputThere;
        EXPECT_EQ(folder.entries(), before) << outputThere;
        EXPECT_EQ(readFileBytes(copy), kOldBytes) << outputThere;
        fs::remove(copy);
        fs::remove(output());
    }
    // Once the user has seen to the copy, saves go through again.
    EXPECT_TRUE(save());
}

// Whether the file at `path` may be opened for writing now.
bool writable(const fs::path& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

// A save over an output that may not be written says why: a handle shares the
// file with nobody, as another program may hold it, or the file is read-only.
// Wine lets root write a read-only file, as the host does: there the host
// makes it immutable too. The output stays as it was.
TEST_F(ExistingOutputTest, SaveOverAnOutputHeldOpenOrReadOnlySaysWhy) {
    for (const bool readOnly : {false, true}) {
        const char* cause = readOnly ? "read-only" : "held open";
        writeFileBytes(output(), kOldBytes);
        HANDLE holder = INVALID_HANDLE_VALUE;
        bool immutable = false;
        if (readOnly) {
            ASSERT_TRUE(SetFileAttributesW(output().c_str(), FILE_ATTRIBUTE_READONLY));
            immutable = writable(output()) && underWine() &&
                        runOnHost(L"/usr/bin/chattr +i song_S.mid", folder.path, [&] { return !writable(output()); });
            if (writable(output())) {
                GTEST_SKIP() << "this user writes a read-only file, and the host made it no immutable";
            }
        } else {
            holder = CreateFileW(output().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
            ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        }
        EXPECT_FALSE(save()) << cause;
        EXPECT_EQ(text(kStatusLineId), uiText(readOnly ? kTextSaveFailedReadOnly : kTextSaveFailedInUse)) << cause;
        if (holder != INVALID_HANDLE_VALUE) {
            CloseHandle(holder);
        }
        if (immutable) {
            runOnHost(L"/usr/bin/chattr -i song_S.mid", folder.path, [&] { return writable(output()); });
        }
        SetFileAttributesW(output().c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(readFileBytes(output()), kOldBytes) << cause;
        EXPECT_EQ(folder.entries(), (std::vector<std::wstring>{L"song.mid", L"song_S.mid"})) << cause;
        fs::remove(output());
    }
}

// The causes that Wine cannot make by itself, made by the host system: a
// folder that takes no new file (immutable, since root may write any other;
// read-only for anyone else), and a full disk (a tmpfs of 64 kB). Skipped
// where the host refuses.
TEST_F(ExistingOutputTest, SaveWhereNoFileMayBeMadeOrTheDiskIsFullSaysWhy) {
    if (!underWine()) {
        GTEST_SKIP() << "the causes are made by the host system under Wine";
    }
    const auto locked = [&] { return !takesNewFiles(folder.path); };
    if (!runOnHost(L"/bin/sh -c \"chattr +i . || chmod a-w .\"", folder.path, locked)) {
        GTEST_SKIP() << "the host did not lock the folder";
    }
    EXPECT_FALSE(save());
    EXPECT_EQ(text(kStatusLineId), uiText(kTextSaveFailedFolder));
    ASSERT_TRUE(runOnHost(L"/bin/sh -c \"chattr -i .; chmod u+w .\"", folder.path, [&] { return !locked(); }));
    EXPECT_EQ(folder.entries(), std::vector<std::wstring>{L"song.mid"});

    const fs::path full = folder.path / L"full";
    fs::create_directory(full);
    constexpr std::uint64_t kSize = 64 * 1024;
    const auto mounted = [&] { return diskSize(full) == kSize; };
    if (!runOnHost(L"/bin/mount -t tmpfs -o size=64k tmpfs full", folder.path, mounted)) {
        GTEST_SKIP() << "the host mounted no file system of its own";
    }
    const std::wstring song = (full / L"song.mid").wstring();
    writeFileBytes(song, drumSong());
    fillDisk(full);
    drop({song});
    click(kSplitInsertButtonId);
    EXPECT_EQ(text(kStatusLineId), uiText(kTextSaveFailedDiskFull));
    std::vector<std::wstring> left;
    for (const auto& entry : fs::directory_iterator(full)) {
        left.push_back(entry.path().filename().wstring());
    }
    std::sort(left.begin(), left.end());
    runOnHost(L"/bin/sh -c \"umount full || umount -l full\"", folder.path, [&] { return !mounted(); });
    EXPECT_EQ(left, (std::vector<std::wstring>{L"fill", L"song.mid"}));
}
