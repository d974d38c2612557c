// Songs under names that are not plain ASCII, loaded and saved by the built
// command-line tool in the "C" locale, as on a bare CI machine: names in
// Japanese, with several dots, with spaces, without an extension.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "fuzz/seed_songs.h"
#include "hardening/hardening_support.h"
#include "song/smf_reader.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

struct NameCase {
    const char* folder;  // under the test's folder, UTF-8; "" for none
    const char* name;    // UTF-8
    const char* stem;    // what the outputs are named after
};

const NameCase kNames[] = {
    {"\xE3\x83\x89\xE3\x83\xA9\xE3\x83\xA0", "\xE6\x9B\xB2.mid", "\xE6\x9B\xB2"},  // ドラム/曲.mid
    {"", "take.2.final.mid", "take.2.final"},
    {"my songs", "my song (live).mid", "my song (live)"},
    {"", "groove", "groove"},
    {"a.b", "groove", "groove"},  // the dot of the folder is no extension
    {"\xE3\x83\x89\xE3\x83\xA9\xE3\x83\xA0 2.0", "\xE6\x9B\xB2 \xC3\xBC \xF0\x9F\xA5\x81.v2.MID",
     "\xE6\x9B\xB2 \xC3\xBC \xF0\x9F\xA5\x81.v2"},  // ドラム 2.0/曲 ü 🥁.v2.MID
};

// The conductor track and five tracks, drums in tracks 1, 4 and 5.
const Bytes& song() {
    static const Bytes bytes = [] {
        for (const SeedSong& seed : seedSongs()) {
            if (seed.name == "conductor-and-five") {
                return seed.bytes;
            }
        }
        return Bytes();
    }();
    return bytes;
}

// Reads a written file back, by its UTF-8 name, through the program's reader.
std::size_t tracksIn(const fs::path& path) {
    const std::u32string wide = path.u32string();
    if (!loadSong(std::wstring(wide.begin(), wide.end()))) {
        return 0;
    }
    return songData.tracks.size();
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ForeignPaths, EveryCommandOfTheToolLoadsAndSavesUnderEachName) {
    for (const NameCase& c : kNames) {
        TempDir dir, logs;
        const fs::path folder = dir.path / c.folder;
        fs::create_directories(folder);
        const fs::path input = folder / c.name;
        writeFileBytes(input, song());
        const std::string stem = (folder / c.stem).string();
        auto run = [&](const std::string& arguments) {
            return runShell("LC_ALL=C LANG=C " + shellQuoted(tessalinePath()) + " " + arguments + " " +
                                shellQuoted(input.string()),
                            logs.path);
        };

        ASSERT_EQ(run("list"), 0) << c.name << ": " << fileText(logs.path / "stderr");
        EXPECT_EQ(fileText(logs.path / "stdout").substr(0, input.string().size() + 1), input.string() + "\n");

        const struct {
            const char* command;
            const char* suffix;
            const char* text;
            std::size_t tracks;
        } saves[] = {
            {"split-insert", "_S.mid", "Saved: split insert (_S.mid)", 8},
            {"split-overwrite", "_OW.mid", "Saved: split overwrite (_OW.mid)", 6},
            {"format1", "_F1.mid", "Saved: format1 only (_F1.mid)", 6},
        };
        for (const auto& save : saves) {
            ASSERT_EQ(run(save.command), 0) << c.name << ", " << save.command << ": " << fileText(logs.path / "stderr");
            EXPECT_EQ(fileText(logs.path / "stdout"), std::string(save.text) + "\t" + stem + save.suffix + "\n");
            EXPECT_EQ(tracksIn(stem + save.suffix), save.tracks) << c.name << ", " << save.command;
        }
        ASSERT_EQ(run("split-overwrite --in-place"), 0) << c.name;
        EXPECT_EQ(tracksIn(input), 6u) << c.name;
        EXPECT_NE(readFileBytes(input), song()) << c.name;

        const std::string base = fs::path(stem).filename().string();
        std::vector<std::string> expected = {c.name, base + "_F1.mid", base + "_OW.mid", base + "_S.mid"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(namesIn(folder), expected) << c.name;
    }
}

}  // namespace
