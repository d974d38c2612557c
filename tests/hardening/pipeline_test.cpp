// The fuzzer's checks, over the songs it starts from: each must hold for every
// file that the project generates, through the real saves as well.

#include <gtest/gtest.h>

#include "fuzz/pipeline_check.h"
#include "fuzz/seed_songs.h"
#include "hardening/hardening_support.h"
#include "support/temp_dir.h"

namespace {

TEST(Pipeline, EverySeedSongKeepsEveryGuaranteeThroughTheSaves) {
    std::vector<NamedFile> songs;
    for (const SeedSong& seed : seedSongs()) {
        songs.push_back({seed.name, seed.bytes});
    }
    songs.push_back(validFiles().front());  // the demo groove
    for (const NamedFile& song : songs) {
        TempDir dir;
        const PipelineOutcome outcome = checkPipeline(song.bytes.data(), song.bytes.size(), {dir.path.wstring()});
        EXPECT_TRUE(outcome.parsed) << song.name;
        EXPECT_EQ(outcome.failure, "") << song.name;
    }
}

}  // namespace
