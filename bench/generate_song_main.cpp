// Writes a generated song: generate-song single|multi|both EVENTS OUTPUT
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "bench/song_generator.h"

int main(int argc, char** argv) {
    const struct {
        const char* name;
        GeneratedLayout layout;
    } layouts[] = {
        {"single", GeneratedLayout::SingleTrack},
        {"multi", GeneratedLayout::MultiTrack},
        {"both", GeneratedLayout::DrumTracks4And5},
    };
    const auto named = std::find_if(std::begin(layouts), std::end(layouts),
                                    [&](const auto& l) { return argc == 4 && std::strcmp(argv[1], l.name) == 0; });
    if (named == std::end(layouts)) {
        std::fprintf(stderr, "usage: generate-song single|multi|both EVENTS OUTPUT\n");
        return 2;
    }
    const GeneratedLayout layout = named->layout;
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
