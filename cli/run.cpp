#include "cli/run.h"

#include <csignal>
#include <cstring>
#include <new>
#include <ostream>

#include "cli/cli_texts.h"
#include "cli/listing.h"
#include "cli/text_encoding.h"
#include "clashes/clash_count.h"
#include "clashes/destination_search.h"
#include "song/file_replace.h"
#include "song/file_path.h"
#include "song/smf_reader.h"
#include "song/song_position.h"
#include "split/hit_routing.h"
#include "split/format1.h"
#include "split/save_command.h"
#include "split/split_saves.h"
#include "ui/texts.h"
#include "ui/window_headless.h"

#ifndef TESSALINE_VERSION
#define TESSALINE_VERSION "unknown"
#endif

namespace {

// There is no window; the save commands only pass the handle on to the seam.
constexpr WindowHandle kNoWindow = nullptr;

void reportLoadFailure(const std::wstring& path, std::ostream& err) {
    err << toUtf8(uiText(kTextLoadFailed)) << '\t' << visibleText(path) << '\n';
}

bool sideCopyAtLoad = false;  // the last load pointed out a side copy of its song

// Points out the copy that a save of `path` cut short left beside it. True when there is one.
bool reportSideCopy(const std::wstring& path, std::ostream& err) {
    const std::wstring copy = leftSideCopy(path);
    if (!copy.empty()) {
        err << "tessaline: " << cliText(kCliSideCopyLeft, {visibleText(path), visibleText(copy)}) << '\n';
    }
    return !copy.empty();
}

// Loads `path` as a drop on the window would, and says on `err` when it failed.
bool loadFile(const std::wstring& path, std::ostream& err) {
    fileLoaded = false;
    fileLoaded = loadSong(path);
    if (!fileLoaded) {
        reportLoadFailure(path, err);
    }
    sideCopyAtLoad = reportSideCopy(path, err);
    return fileLoaded;
}

std::uint32_t loadedNearTicks() { return nearWindowTicks(nearWindow, songData.division); }

// The clash report of the loaded song with assignmentMap, the hits of notes on
// AUTO routed; `routingExact` is cleared when that routing is a best found.
ClashReport reportOfLoaded(const DrumTicks& drumTicks, bool& routingExact) {
    const HitRouting routing = routeHits(drumTicks.timeline, assignmentMap, loadedNearTicks());
    routingExact = routingExact && routing.exact;
    return reportClashes(drumTicks, assignmentMap, routing, loadedNearTicks());
}

bool listFiles(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    bool allLoaded = true;
    if (invocation.json) {
        out << "{\"files\": [";
    }
    for (std::size_t i = 0; i < invocation.files.size(); ++i) {
        const std::wstring& path = invocation.files[i];
        bool loaded = loadFile(path, err);
        std::vector<DrumRow> rows;
        ClashReport clashes;
        std::vector<ClashPlace> places;
        MeterMap meters;
        bool routingExact = true;
        try {
            if (loaded) {
                applyDestinations(invocation);
                const DrumTicks drumTicks = findDrumTicks(songData.tracks);
                const HitRouting routing = routeHits(drumTicks.timeline, assignmentMap, loadedNearTicks());
                routingExact = routing.exact;
                rows = drumRows(countClashes(drumTicks.timeline, assignmentMap, routing, loadedNearTicks(),
                                             invocation.where ? &places : nullptr));
                clashes = reportClashes(drumTicks, assignmentMap, routing, loadedNearTicks());
                meters = meterMapOf(songData.tracks, songData.division);
            }
        } catch (const std::bad_alloc&) {
            // A song too large to analyse in the memory there is fails as one too large to load.
            loaded = false;
            reportLoadFailure(path, err);
        }
        allLoaded = allLoaded && loaded;
        if (invocation.json) {
            out << (i == 0 ? "\n  " : ",\n  ")
                << jsonFileEntry(path, loaded, rows, clashes, "  ", invocation.where ? &places : nullptr, &meters);
            continue;
        }
        if (!loaded) {
            continue;
        }
        out << visibleText(path) << '\n';
        for (const std::string& line : listingLines(rows)) {
            out << line << '\n';
        }
        if (rows.empty()) {
            out << "  " << cliText(kCliNoDrumNotes) << '\n';
            continue;
        }
        for (const std::string& line : clashLines(clashes)) {
            out << line << '\n';
        }
        if (!routingExact) {
            out << "  " << cliText(kCliRoutingBestFound) << '\n';
        }
        if (invocation.where && !places.empty()) {
            out << "  " << cliText(kCliClashesAt) << '\n';
            for (const std::string& line : placeLines(places, meters)) {
                out << "  " << line << '\n';
            }
        }
    }
    if (invocation.json) {
        out << "\n]}\n";  // there is always a file: the parser sees to it
    }
    return allLoaded;
}

// What opens the line of a save that wrote nothing, on the error output.
CliTextIndex couldNotWriteText(SaveResult result) {
    switch (result) {
        case SaveResult::FailedInUse: return kCliCouldNotWriteInUse;
        case SaveResult::FailedReadOnly: return kCliCouldNotWriteReadOnly;
        case SaveResult::FailedDiskFull: return kCliCouldNotWriteDiskFull;
        case SaveResult::FailedFolderNotWritable: return kCliCouldNotWriteFolder;
        default: return kCliCouldNotWrite;
    }
}

// The save the window's button runs for the command.
using SaveCommand = SaveOutcome (*)(WindowHandle);

SaveCommand saveCommandFor(Command command) {
    switch (command) {
        case Command::SplitInsert: return saveSplitInsert;
        case Command::SplitOverwrite: return saveSplitOverwrite;
        default: return saveFormat1;
    }
}

bool saveFiles(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    const SaveCommand save = saveCommandFor(invocation.command);
    headlessWindow.overwriteBoxChecked = invocation.inPlace;
    bool allSaved = true;
    for (const std::wstring& path : invocation.files) {
        if (!loadFile(path, err)) {
            allSaved = false;
            continue;
        }
        applyDestinations(invocation);
        const SaveOutcome outcome = save(kNoWindow);
        if (!outcome.written) {
            err << cliText(couldNotWriteText(outcome.result)) << '\t' << visibleText(outcome.path) << '\n';
            if (outcome.path != path || !sideCopyAtLoad) {
                reportSideCopy(outcome.path, err);
            }
            allSaved = false;
            continue;
        }
        out << toUtf8(headlessWindow.statusLine) << '\t' << visibleText(outcome.path) << '\n';
    }
    return allSaved;
}

// Gives the loaded song, whose chords are `chords`, the destinations that
// leave the fewest clashes: the overrides for notes this song uses are fixed,
// the rest is chosen around them. False when the choice is a best found.
bool applySuggestion(const Invocation& invocation, const std::vector<DrumChord>& chords) {
    AssignmentMap fixed;
    // Notes put on AUTO by --per-hit-all stay there.
    for (const auto& [note, target] : assignmentMap) {
        if (target == AUTO) {
            fixed[note] = AUTO;
        }
    }
    for (const NoteOverride& override : invocation.overrides) {
        if (assignmentMap.count(override.note) != 0) {
            fixed[override.note] = override.target;
        }
    }
    Suggestion suggestion = suggestDestinations(chords, assignmentMap, fixed);
    assignmentMap = std::move(suggestion.destinations);
    return suggestion.exact;
}

// Prints, per file, the clashes of the proposals (with the overrides) and of
// the destinations that leave the fewest, and the options that give those.
bool suggestFiles(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    bool allLoaded = true;
    for (const std::wstring& path : invocation.files) {
        if (!loadFile(path, err)) {
            allLoaded = false;
            continue;
        }
        Invocation proposed = invocation;
        proposed.autoDestinations = false;
        ClashReport proposedClashes, chosenClashes;
        bool exact = true;
        bool routingExact = true;
        try {
            // The song's drum ticks, found once, give both reports and the choice.
            const DrumTicks drumTicks = findDrumTicks(songData.tracks);
            applyDestinations(proposed);
            proposedClashes = reportOfLoaded(drumTicks, routingExact);
            routingExact = true;  // only the routing of the choice is said
            exact = applySuggestion(invocation, drumTicks.chords);
            chosenClashes = reportOfLoaded(drumTicks, routingExact);
        } catch (const std::bad_alloc&) {
            allLoaded = false;
            reportLoadFailure(path, err);
            continue;
        }
        const std::size_t before = proposedClashes.tr4.ticks + proposedClashes.tr5.ticks;
        const std::size_t after = chosenClashes.tr4.ticks + chosenClashes.tr5.ticks;

        out << visibleText(path) << '\n';
        out << "  " << cliText(kCliProposed) << '\n';
        for (const std::string& line : clashLines(proposedClashes)) {
            out << "  " << line << '\n';
        }
        if (after < before) {
            out << "  " << cliText(kCliSuggested) << '\n';
            for (const std::string& line : clashLines(chosenClashes)) {
                out << "  " << line << '\n';
            }
        } else if (exact) {
            out << "  " << cliText(kCliAlreadyBest) << '\n';
        }
        if (!exact) {
            out << "  " << cliText(kCliBestFound) << '\n';
        }
        if (!routingExact) {
            out << "  " << cliText(kCliRoutingBestFound) << '\n';
        }
        if (!assignmentMap.empty()) {
            out << "  " << overrideOptions(assignmentMap) << '\n';
        }
    }
    return allLoaded;
}

void endOnSignal(int signal) {
    removeUnfinishedTemporary();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void prepareSignals() {
#ifdef SIGHUP
    const int interruptions[] = {SIGINT, SIGTERM, SIGHUP};
#else
    const int interruptions[] = {SIGINT, SIGTERM};
#endif
    for (const int signal : interruptions) {
        // A signal ignored by whoever started the tool (nohup) stays ignored.
        if (std::signal(signal, endOnSignal) == SIG_IGN) {
            std::signal(signal, SIG_IGN);
        }
    }
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

bool applyDestinations(const Invocation& invocation) {
    if (invocation.perHitAll) {
        for (auto& [note, target] : assignmentMap) {
            target = AUTO;
        }
    }
    if (!invocation.autoDestinations) {
        applyOverrides(invocation.overrides);
        return true;
    }
    return applySuggestion(invocation, findChords(songData.tracks));
}

void selectLanguageFromLocale(const char* lcAll, const char* lang) {
    const char* locale = lcAll != nullptr && *lcAll != '\0' ? lcAll : lang;
    // The interface language the window would see: Japanese for "ja...".
    const bool japanese = locale != nullptr && std::strncmp(locale, "ja", 2) == 0;
    headlessWindow.interfaceLanguage = japanese ? 0x0411 : 0x0409;
    selectUiLanguage();
}

void applyOverrides(const std::vector<NoteOverride>& overrides) {
    for (const NoteOverride& override : overrides) {
        if (const auto entry = assignmentMap.find(override.note); entry != assignmentMap.end()) {
            entry->second = override.target;
        }
    }
}

int runInvocation(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    bool allDone = true;
    if (invocation.nearOption) {
        nearWindow = *invocation.nearOption;
    }
    switch (invocation.command) {
        case Command::Help: out << cliText(kCliHelp); break;
        case Command::Version: out << "tessaline " TESSALINE_VERSION "\n"; break;
        case Command::List: allDone = listFiles(invocation, out, err); break;
        case Command::Suggest: allDone = suggestFiles(invocation, out, err); break;
        case Command::SplitInsert:
        case Command::SplitOverwrite:
        case Command::Format1: allDone = saveFiles(invocation, out, err); break;
    }
    out.flush();
    return allDone ? kExitAllDone : kExitSomeFileFailed;
}

int runTessaline(const std::vector<std::wstring>& arguments, std::ostream& out, std::ostream& err) {
    const ParsedArguments parsed = parseArguments(arguments);
    if (const UsageError* error = std::get_if<UsageError>(&parsed)) {
        err << "tessaline: " << error->message << '\n' << cliText(kCliTryHelp) << '\n';
        return kExitUsage;
    }
    return runInvocation(std::get<Invocation>(parsed), out, err);
}
