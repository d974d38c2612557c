#include "ui/clash_view.h"

#include <algorithm>

#include "clashes/destination_search.h"
#include "song/song_data.h"
#include "ui/texts.h"

DrumTicks loadedDrumTicks;
MeterMap loadedMeters;
AssignmentMap proposedDestinations;
HitRouting shownRouting;
ClashCounts shownClashes;

namespace {

// What the last "Fewest clashes" found, shown with the totals until the next change.
struct LastChoice {
    bool made = false;
    bool exact = true;
    std::size_t bothNotes = 0;
    std::size_t bothCost = 0;  // clashing ticks that freeing the notes on BOTH as well would save
};
LastChoice lastChoice;

std::uint32_t loadedNearTicks() { return nearWindowTicks(nearWindow, songData.division); }

std::size_t total(const ClashCounts& counts) { return counts.tr4 + counts.tr5; }

}  // namespace

void takeLoadedSong() {
    loadedDrumTicks = findDrumTicks(songData.tracks);
    loadedMeters = meterMapOf(songData.tracks, songData.division);
    proposedDestinations = assignmentMap;
    recountClashes();
}

void recountClashes() {
    lastChoice = LastChoice();
    shownRouting = routeHits(loadedDrumTicks.timeline, assignmentMap, loadedNearTicks());
    shownClashes = countClashes(loadedDrumTicks.timeline, assignmentMap, shownRouting, loadedNearTicks());
}

void chooseFewestClashes() {
    AssignmentMap onBoth;
    for (const auto& [note, target] : assignmentMap) {
        if (target == BOTH) {
            onBoth[note] = target;
        }
    }
    const Suggestion suggestion = suggestDestinations(loadedDrumTicks.chords, proposedDestinations, onBoth);
    assignmentMap = suggestion.destinations;
    recountClashes();
    lastChoice.made = true;
    lastChoice.exact = suggestion.exact;
    lastChoice.bothNotes = onBoth.size();
    if (!onBoth.empty()) {
        // The same choice with the notes on BOTH free as well: what keeping them costs.
        const Suggestion free = suggestDestinations(loadedDrumTicks.chords, proposedDestinations, {});
        const std::size_t freed = total(countClashes(loadedDrumTicks.chords, free.destinations));
        const std::size_t kept = total(countClashes(loadedDrumTicks.chords, assignmentMap));
        lastChoice.bothCost = kept > freed ? kept - freed : 0;
    }
}

void restoreProposedDestinations() {
    assignmentMap = proposedDestinations;
    recountClashes();
}

void routeEveryHit() {
    for (auto& [note, target] : assignmentMap) {
        target = AUTO;
    }
    recountClashes();
}

void setNearWindow(std::uint32_t perQuarter) {
    nearWindow = NearWindow{perQuarter, 0};
    const LastChoice choice = lastChoice;
    recountClashes();
    lastChoice = choice;
}

std::wstring clashTotalsLine() {
    std::wstring line = clashTotalsText(shownClashes.tr4, shownClashes.tr5, shownClashes.nearTr4, shownClashes.nearTr5);
    if (lastChoice.made && lastChoice.bothCost != 0) {
        line += L"; " + bothCostText(lastChoice.bothNotes, lastChoice.bothCost);
    }
    if ((lastChoice.made && !lastChoice.exact) || !shownRouting.exact) {
        line += L" (" + std::wstring(uiText(kTextBestFound)) + L")";
    }
    return line;
}

std::wstring clashPlacesOf(std::int32_t note, std::size_t count) {
    if (note < 0 || note > 255) {
        return L"";
    }
    const std::vector<std::uint32_t> ticks =
        firstClashTicks(loadedDrumTicks.timeline, assignmentMap, shownRouting, std::uint8_t(note), count + 1);
    std::wstring shown;
    for (std::size_t k = 0; k < ticks.size() && k < count; ++k) {
        const std::optional<SongPosition> position = positionAt(loadedMeters, ticks[k]);
        shown += (k == 0 ? L"" : L", ") + (position ? shortPositionText(*position) : std::to_wstring(ticks[k]));
    }
    return ticks.size() > count ? shown + L" \u2026" : shown;
}
