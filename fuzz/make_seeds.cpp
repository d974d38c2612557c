// Writes the seed songs into a folder: make-fuzz-seeds FOLDER
#include <cstdio>
#include <fstream>
#include <string>

#include "fuzz/seed_songs.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-fuzz-seeds FOLDER\n");
        return 2;
    }
    for (const SeedSong& seed : seedSongs()) {
        const std::string path = std::string(argv[1]) + "/" + seed.name + ".mid";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(seed.bytes.data()), std::streamsize(seed.bytes.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "make-fuzz-seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
