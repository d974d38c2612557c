// Writes the demo song (examples/groove.h). Always the same bytes.
//
//   make-groove OUT.mid

#include <filesystem>
#include <iostream>

#include "examples/groove.h"
#include "smf/smf_writer.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "usage: make-groove OUT.mid\n";
        return 2;
    }
    songData.division = kGrooveDivision;
    const std::vector<Track> tracks = demoGroove();
    if (!writeSmfFile(std::filesystem::path(argv[1]).wstring(), tracks, SortFlags(tracks.size(), true))) {
        std::cerr << "make-groove: could not write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
