#pragma once

// The clash counts that the drum list shows, and the two choices that its
// right-click menu makes for the whole list. The window calls these after a
// load and after every change of destination; they work from data found once
// per load, so a recount costs little even for a long song.

#include <vector>

#include "clashes/clash_count.h"
#include "drums/drum_inventory.h"

extern std::vector<DrumChord> loadedChords;  // where the drum notes of the last song loaded start together
extern AssignmentMap proposedDestinations;   // the destinations proposed when it was loaded
extern ClashCounts shownClashes;             // what assignmentMap gives, as the list shows it

// After a successful load: finds the song's chords, keeps its proposals and counts.
void takeLoadedSong();

// Counts again, after a change of destination.
void recountClashes();

// "Fewest clashes": every note not on BOTH gets the TR4 or TR5 that leaves the
// fewest clashes around the notes on BOTH (the choice of `tessaline suggest`
// with those notes given as --both); then counts.
void chooseFewestClashes();

// "Back to proposed": every note gets its proposed destination again; then counts.
void restoreProposedDestinations();
