// Built into the window's suite and run under Wine: Ctrl-C in the middle of a
// save by the command-line tool, sent through a console of the test's own.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "song/smf_reader.h"
#include "song/song_data.h"
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

bool holdsTheLongEvent(const SongData& song, std::uint32_t length) {
    for (const Track& track : song.tracks) {
        for (const MidiEvent& event : track) {
            if (event.status == 0xF0 && event.length() == length) {
                return true;
            }
        }
    }
    return false;
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
    constexpr std::uint32_t kLength = 160u << 20;
    const Bytes song = songOfOneLongEvent(kLength);
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

        std::wstring command = L"\"" + fs::path(tool).wstring() + L"\" format1 song.mid";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION tessaline{};
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.path.c_str(),
                                   &startup, &tessaline))
            << where;
        const ULONGLONG deadline = GetTickCount64() + 30000;
        while (folder.entries() == before && WaitForSingleObject(tessaline.hProcess, 0) == WAIT_TIMEOUT &&
               GetTickCount64() < deadline) {
            Sleep(1);
        }
        EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << where;
        EXPECT_EQ(WaitForSingleObject(tessaline.hProcess, 30000), WAIT_OBJECT_0) << where;
        DWORD exitCode = 0;
        GetExitCodeProcess(tessaline.hProcess, &exitCode);
        CloseHandle(tessaline.hThread);
        CloseHandle(tessaline.hProcess);

        EXPECT_EQ(exitCode, 3u) << where;  // the C runtime's ending for Ctrl-C
        EXPECT_EQ(folder.entries(), before) << where;
        if (inPlace) {
            EXPECT_EQ(readFileBytes(folder.path / L"z other name.mid"), readFileBytes(folder.path / L"song_F1.mid"))
                << where;
            ASSERT_TRUE(loadSong((folder.path / L"song_F1.mid").wstring())) << where;
            EXPECT_TRUE(holdsTheLongEvent(songData, kLength)) << where;
        }
    }
}
