// Built into the window's suite and run under Wine: Ctrl-C in the middle of a
// save by the command-line tool, sent through a console of the test's own.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/smf_bytes.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// A song of one system-exclusive event whose data (its closing F7 included)
// is `length` bytes: its format-1 save writes as much, long enough to be cut short.
Bytes songOfOneLongEvent(std::uint32_t length) {
    Bytes song = mthd(1, 480, 0) + Bytes{'M', 'T', 'r', 'k'} + u32be(length + 10) + Bytes{0x00, 0xF0};
    for (int shift = 21; shift > 0; shift -= 7) {
        song.push_back(std::uint8_t(0x80 | (length >> shift)));
    }
    song.push_back(std::uint8_t(length & 0x7F));
    song.resize(song.size() + length - 1, 0x01);
    song.push_back(0xF7);
    return song + kEndOfTrack;
}

// Starts the tool's format-1 save of song.mid in `folder`.
PROCESS_INFORMATION startFormat1Save(const char* tool, const fs::path& folder) {
    std::wstring command = L"\"" + fs::path(tool).wstring() + L"\" format1 song.mid";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &process);
    return process;
}

// Its exit code once it has ended.
DWORD exitCodeOf(const PROCESS_INFORMATION& process) {
    DWORD exitCode = STILL_ACTIVE;
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &exitCode);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

BOOL WINAPI keepTheTestRunning(DWORD) { return TRUE; }

// The events go to every process of a console: the test and the tool share
// one of their own, which the test outlives.
void attachAConsoleOfOurOwn() {
    static const bool attached = [] {
        FreeConsole();
        return AllocConsole() && SetConsoleCtrlHandler(keepTheTestRunning, TRUE);
    }();
    ASSERT_TRUE(attached);
}

}  // namespace

// Ctrl-C in the middle of a save: through a temporary, the tool removes it and
// ends with no output; in place (a second name), the event waits until the
// file is whole with the new song and its side copy gone. The event comes as
// soon as the save has made its first file. (Wine sends no Ctrl-Break.)
TEST(WindowsWriteFaults, ASaveCutShortByCtrlCLeavesAWholeSongAndNothingElse) {
    const char* tool = std::getenv("TESSALINE_CLI");
    if (tool == nullptr) {
        GTEST_SKIP() << "run by CTest with TESSALINE_CLI set";
    }
    attachAConsoleOfOurOwn();
    const Bytes song = songOfOneLongEvent(160u << 20);
    TempDir reference;
    writeFileBytes(reference.path / L"song.mid", song);
    ASSERT_EQ(exitCodeOf(startFormat1Save(tool, reference.path)), 0u);
    const Bytes newSong = readFileBytes(reference.path / L"song_F1.mid");

    for (const bool inPlace : {false, true}) {
        const char* where = inPlace ? "in place" : "through a temporary";
        TempDir folder;
        writeFileBytes(folder.path / L"song.mid", song);
        if (inPlace) {
            writeFileBytes(folder.path / L"song_F1.mid", {'o', 'l', 'd'});
            ASSERT_TRUE(CreateHardLinkW((folder.path / L"z other name.mid").c_str(),
                                        (folder.path / L"song_F1.mid").c_str(), nullptr));
        }
        const std::vector<std::wstring> before = folder.entries();
        const PROCESS_INFORMATION tessaline = startFormat1Save(tool, folder.path);
        ASSERT_NE(tessaline.hProcess, nullptr) << where;
        const ULONGLONG deadline = GetTickCount64() + 30000;
        while (folder.entries() == before && WaitForSingleObject(tessaline.hProcess, 0) == WAIT_TIMEOUT &&
               GetTickCount64() < deadline) {
            Sleep(1);
        }
        EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << where;
        EXPECT_EQ(exitCodeOf(tessaline), 3u) << where;  // the C runtime's ending for Ctrl-C
        EXPECT_EQ(folder.entries(), before) << where;
        if (inPlace) {
            EXPECT_TRUE(readFileBytes(folder.path / L"song_F1.mid") == newSong) << where;
            EXPECT_TRUE(readFileBytes(folder.path / L"z other name.mid") == newSong) << where;
        }
    }
}
