#include "hardening/hardening_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/song_generator.h"
#include "fuzz/seed_songs.h"
#include "support/temp_dir.h"

namespace {

std::uint32_t be32(const Bytes& b, std::size_t at) {
    return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 | std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

Bytes demoGroove() {
    TempDir dir;
    const std::filesystem::path path = dir.path / "groove.mid";
    const int status = runShell(shellQuoted(makeGroovePath()) + " " + shellQuoted(path.string()), dir.path);
    EXPECT_EQ(status, 0) << "make-groove failed";
    return readFileBytes(path);
}

// Pages of address space in use now.
std::size_t addressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

}  // namespace

const std::vector<NamedFile>& validFiles() {
    static const std::vector<NamedFile> files = [] {
        std::vector<NamedFile> result{{"groove", demoGroove()}};
        for (const SeedSong& seed : seedSongs()) {
            if (seed.name == "format-zero" || seed.name == "conductor-and-five" || seed.name == "oddities") {
                result.push_back({seed.name, seed.bytes});
            }
        }
        result.push_back({"generated-multi", generateSong(GeneratedLayout::MultiTrack, 300)});
        return result;
    }();
    return files;
}

std::vector<ChunkSpan> chunkSpans(const Bytes& file) {
    std::vector<ChunkSpan> spans;
    std::size_t pos = 8 + be32(file, 4);
    const unsigned tracks = unsigned(file[10]) << 8 | file[11];
    for (unsigned i = 0; i < tracks; ++i) {
        const std::size_t end = pos + 8 + be32(file, pos + 4);
        spans.push_back({pos, end});
        pos = end;
    }
    return spans;
}

bool runsWithinMemoryLimit(const std::function<bool()>& work, std::size_t limitBytes, bool quiet) {
    const pid_t child = fork();
    if (child == 0) {
        if (quiet) {
            std::freopen("/dev/null", "w", stderr);
        }
        // Under AddressSanitizer most of the address space is reserved already;
        // a large allocation still needs a mapping of its own, which the limit refuses.
        const rlim_t limit = addressSpaceInUse() + limitBytes;
        const rlimit rl{limit, limit};
        if (setrlimit(RLIMIT_AS, &rl) != 0) {
            _exit(2);
        }
        bool ok = false;
        try {
            ok = work();
        } catch (const std::bad_alloc&) {
            _exit(3);
        }
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) {
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

int runShell(const std::string& commandLine, const std::filesystem::path& folder) {
    const std::string command = "( " + commandLine + " ) >" + shellQuoted((folder / "stdout").string()) + " 2>" +
                                shellQuoted((folder / "stderr").string());
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string tessalinePath() { return TESSALINE_CLI_PATH; }
std::string makeGroovePath() { return MAKE_GROOVE_PATH; }

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
