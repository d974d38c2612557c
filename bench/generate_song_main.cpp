// Writes a generated song: generate-song single|multi EVENTS OUTPUT
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "bench/song_generator.h"

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "single") != 0 && std::strcmp(argv[1], "multi") != 0)) {
        std::fprintf(stderr, "usage: generate-song single|multi EVENTS OUTPUT\n");
        return 2;
    }
    const GeneratedLayout layout =
        std::strcmp(argv[1], "single") == 0 ? GeneratedLayout::SingleTrack : GeneratedLayout::MultiTrack;
    const auto bytes = generateSong(layout, std::strtoull(argv[2], nullptr, 10));
    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "generate-song: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
