#include "ui/clash_view.h"

#include "clashes/destination_search.h"
#include "song/song_data.h"

std::vector<DrumChord> loadedChords;
AssignmentMap proposedDestinations;
ClashCounts shownClashes;

void takeLoadedSong() {
    loadedChords = findChords(songData.tracks);
    proposedDestinations = assignmentMap;
    recountClashes();
}

void recountClashes() { shownClashes = countClashes(loadedChords, assignmentMap); }

void chooseFewestClashes() {
    AssignmentMap onBoth;
    for (const auto& [note, target] : assignmentMap) {
        if (target == BOTH) {
            onBoth[note] = target;
        }
    }
    assignmentMap = suggestDestinations(loadedChords, proposedDestinations, onBoth).destinations;
    recountClashes();
}

void restoreProposedDestinations() {
    assignmentMap = proposedDestinations;
    recountClashes();
}
