#pragma once

// The clash counts that the drum list shows, and the choices that its
// right-click menu makes for the whole list. The window calls these after a
// load and after every change of destination; they work from data found once
// per load, so a recount costs little even for a long song.

#include <cstdint>
#include <string>
#include <vector>

#include "clashes/clash_count.h"
#include "drums/drum_inventory.h"
#include "song/song_position.h"
#include "split/hit_routing.h"

extern DrumTicks loadedDrumTicks;           // where the drum notes of the last song loaded start
extern MeterMap loadedMeters;               // its bars and beats
extern AssignmentMap proposedDestinations;  // the destinations proposed when it was loaded
extern HitRouting shownRouting;             // where the hits of its notes on AUTO go
extern ClashCounts shownClashes;            // what assignmentMap gives, as the list shows it

// After a successful load: finds the song's drum ticks, keeps its proposals and counts.
void takeLoadedSong();

// Routes the hits of the notes on AUTO and counts again, after a change of
// destination or of the near window.
void recountClashes();

// "Fewest clashes": every note not on BOTH gets the TR4 or TR5 that leaves the
// fewest clashes around the notes on BOTH (the choice of `tessaline suggest`
// with those notes given as --both); then counts.
void chooseFewestClashes();

// "Back to proposed": every note gets its proposed destination again; then counts.
void restoreProposedDestinations();

// "Every hit routed": every note on AUTO; then counts.
void routeEveryHit();

// The near window as the menu sets it (1/perQuarter of a quarter note, none
// for 0); then counts.
void setNearWindow(std::uint32_t perQuarter);

// The status line after a change: the totals, with near clashes; after
// "Fewest clashes" with notes on BOTH, what those notes cost; and whether the
// choice or the routing is only the best found.
std::wstring clashTotalsLine();

// The first `count` places where `note` clashes, as the status line shows
// them ("3:1, 3:3, 5:1 …"); empty when it clashes nowhere.
std::wstring clashPlacesOf(std::int32_t note, std::size_t count);
