// Large songs: millions of events, and as many tracks as the header can count.
// They load, split and save; an output of more tracks than a header can count
// is refused and reported as a failed save, with nothing left on disk.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

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

constexpr std::size_t kManyEvents = 3'000'000;

std::size_t countIf(const Track& track, bool (*pred)(const MidiEvent&)) {
    return std::size_t(std::count_if(track.begin(), track.end(), pred));
}

bool isDrumEvent(const MidiEvent& e) { return isDrumChannel(e.status); }
bool isDrumNote(const MidiEvent& e) { return isDrumEvent(e) && (e.status == 0x89 || e.status == 0x99); }
bool isOtherEvent(const MidiEvent& e) { return !isEndOfTrack(e) && !isDrumEvent(e); }

class Scale : public ::testing::Test {
protected:
    void SetUp() override { resetProgramState(); }

    void load(const Bytes& file) {
        writeFileBytes(dir.path / "song.mid", file);
        fileLoaded = loadSong(dir.file(L"song.mid"));
        ASSERT_TRUE(fileLoaded);
    }

    // Runs a save; true when it reported success. The song in memory must be as loaded.
    bool save(SaveOutcome (*command)(WindowHandle)) {
        const std::vector<Track>::size_type tracks = songData.tracks.size();
        const bool written = command(nullptr).written;
        EXPECT_EQ(songData.tracks.size(), tracks);
        return written;
    }

    // The tracks of a written file, read with the program's reader.
    std::vector<Track> readBack(const char* name) {
        std::vector<Track> kept = std::move(songData.tracks);
        const Bytes bytes = readFileBytes(dir.path / name);
        EXPECT_TRUE(parseBytes(bytes)) << name;
        std::vector<Track> tracks = std::move(songData.tracks);
        songData.tracks = std::move(kept);
        return tracks;
    }

    TempDir dir;
};

TEST_F(Scale, MillionsOfEventsLoadSplitAndSave) {
    load(generateSong(GeneratedLayout::MultiTrack, kManyEvents));
    std::size_t events = 0;
    for (const Track& t : songData.tracks) {
        events += t.size();
    }
    ASSERT_GE(events, kManyEvents * 9 / 10);
    // Every note to TR4: TR5 receives only the other drum-channel events.
    for (auto& [note, target] : assignmentMap) {
        target = TR4;
    }
    const std::vector<Track> loaded = songData.tracks;
    const std::size_t position = drumTrackPosition(loaded);

    ASSERT_TRUE(save(saveSplitInsert));
    ASSERT_TRUE(save(saveFormat1));
    EXPECT_EQ(songData.tracks, loaded);

    const std::vector<Track> inserted = readBack("song_S.mid");
    ASSERT_EQ(inserted.size(), loaded.size() + 2);
    std::size_t drumEvents = 0, otherDrumEvents = 0;
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        const Track& out = inserted[i < position ? i : i + 2];
        EXPECT_EQ(out.size(), countIf(loaded[i], isOtherEvent) + 1) << "track " << i;
        EXPECT_EQ(countIf(out, isDrumEvent), 0u) << "track " << i;
        drumEvents += countIf(loaded[i], isDrumEvent);
        otherDrumEvents += countIf(loaded[i], isDrumEvent) - countIf(loaded[i], isDrumNote);
    }
    EXPECT_GT(drumEvents, kManyEvents / 10);
    EXPECT_EQ(inserted[position].size(), drumEvents + 1);
    EXPECT_EQ(inserted[position + 1].size(), otherDrumEvents + 1);

    const std::vector<Track> format1 = readBack("song_F1.mid");
    ASSERT_EQ(format1.size(), loaded.size());
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        EXPECT_EQ(format1[i].size(), countIf(loaded[i], [](const MidiEvent& e) { return !isEndOfTrack(e); }) + 1);
    }
}

// `tracks` tracks: a conductor track, then a piano track, then tracks of a
// drum note each (note 36 + the track's number modulo 8).
Bytes manyTracks(std::size_t tracks) {
    Bytes file = mthd(std::uint16_t(tracks)) + mtrk({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}) +
                 mtrk({0x00, 0xC0, 0x05, 0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0});
    for (std::size_t i = 2; i < tracks; ++i) {
        const std::uint8_t note = std::uint8_t(36 + i % 8);
        const Bytes chunk = mtrk({0x00, 0x99, note, 100, 0x30, 0x89, note, 0x40});
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    return file;
}

TEST_F(Scale, AsManyTracksAsTheHeaderCountsLoadAndSaveUnlessTheOutputWouldHaveMore) {
    const struct {
        std::size_t tracks;
        bool insertWritten;  // split insert adds two tracks
    } cases[] = {{65535, false}, {65534, false}, {65533, true}};

    for (const auto& c : cases) {
        load(manyTracks(c.tracks));
        ASSERT_EQ(songData.tracks.size(), c.tracks);
        for (auto& [note, target] : assignmentMap) {
            target = TR4;
        }
        const std::vector<Track> loaded = songData.tracks;
        headlessWindow.statusLine = L"before";

        EXPECT_EQ(save(saveSplitInsert), c.insertWritten) << c.tracks;
        if (c.insertWritten) {
            EXPECT_EQ(readBack("song_S.mid").size(), 65535u);
        } else {
            EXPECT_EQ(headlessWindow.statusLine, L"Save failed.") << c.tracks;
            EXPECT_EQ(dir.entries(), std::vector<std::wstring>{L"song.mid"}) << c.tracks;
        }
        ASSERT_TRUE(save(saveSplitOverwrite)) << c.tracks;
        ASSERT_TRUE(save(saveFormat1)) << c.tracks;
        EXPECT_EQ(songData.tracks, loaded);

        const std::vector<Track> overwritten = readBack("song_OW.mid");
        ASSERT_EQ(overwritten.size(), c.tracks);
        EXPECT_EQ(countIf(overwritten[4], isDrumNote), 2 * (c.tracks - 2));  // every drum note went to TR4
        EXPECT_EQ(readBack("song_F1.mid").size(), c.tracks);
        for (const char* name : {"song_S.mid", "song_OW.mid", "song_F1.mid"}) {
            fs::remove(dir.path / name);
        }
    }
}

// The tool says which file it could not write, and leaves nothing behind.
TEST(ScaleThroughTheTool, SplitInsertOfAFullSongIsAFailedSave) {
    TempDir dir, logs;
    writeFileBytes(dir.path / "full.mid", manyTracks(65535));
    const std::string command = "LC_ALL=C " + shellQuoted(tessalinePath()) + " split-insert " +
                                shellQuoted((dir.path / "full.mid").string());
    EXPECT_EQ(runShell(command, logs.path), 1);
    EXPECT_EQ(fileText(logs.path / "stderr"), "Could not write\t" + (dir.path / "full_S.mid").string() + "\n");
    EXPECT_EQ(fileText(logs.path / "stdout"), "");
    EXPECT_EQ(dir.entries(), std::vector<std::wstring>{L"full.mid"});
}

// Memory running out is a failed load, or a failed save that leaves nothing
// behind, and the next song is done as usual. (Under AddressSanitizer a failed
// allocation is a report, not an exception.)
TEST_F(Scale, RunningOutOfMemoryFailsOnlyTheLoadOrTheSaveItStops) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizer reports failed allocations instead of throwing";
#endif
    TempDir dir;
    Bytes notes;
    for (int i = 0; i < 4'000'000; ++i) {
        notes.insert(notes.end(), {0x00, 0x99, 36, 100});
    }
    writeFileBytes(dir.path / "big.mid", mthd(1) + mtrk(notes));  // 16 MB, far more as a song in memory
    writeFileBytes(dir.path / "small.mid", mthd(1) + mtrk({0x00, 0x99, 36, 100}));
    const std::wstring big = dir.file(L"big.mid"), small = dir.file(L"small.mid");
    EXPECT_TRUE(runsWithinMemoryLimit([&] { return !loadSong(big) && loadSong(small); }, std::size_t{64} << 20));

    fileLoaded = loadSong(big);
    ASSERT_TRUE(fileLoaded);
    EXPECT_TRUE(runsWithinMemoryLimit(
        [&] {
            return !saveSplitInsert(nullptr).written && !saveFormat1(nullptr).written &&
                   headlessWindow.statusLine == L"Save failed.";
        },
        std::size_t{8} << 20));  // the format-1 file alone takes 16 MB
    EXPECT_EQ(dir.entries(), (std::vector<std::wstring>{L"big.mid", L"small.mid"}));
}

}  // namespace
