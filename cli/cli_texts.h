#pragma once

// The tool's own texts, in English and Japanese (UTF-8), in the language that
// the interface texts use (ui/texts.h): the terms are the window's.

#include <initializer_list>
#include <string>

enum CliTextIndex : int {
    kCliHelp,
    kCliTryHelp,
    kCliNoCommand,
    kCliUnknownCommand,   // {1}: the command, quoted
    kCliUnknownOption,    // {1}: the option, quoted
    kCliNotANoteList,     // {1}: the option and its value, quoted
    kCliNoteOutOfRange,   // {1}: the option and its value; {2}: the note
    kCliNeedsNotes,       // {1}: the option
    kCliNoteGivenTwice,   // {1}: the note; {2}: where it was given
    kCliNoteGivenTwiceIn, // {1}: the note; {2}, {3}: the two places
    kCliDoesNotApply,     // {1}: the option; {2}: the command
    kCliAppliesOnlyTo,    // {1}: the option; {2}: the command
    kCliNoFile,           // {1}: the command
    kCliNoDrumNotes,
    kCliClashingTicks,    // {1}: TR4 or TR5; {2}: the ticks
    kCliAtMost,           // {1}: the most notes at once
    kCliStruckTwice,      // {1}: the ticks
    kCliProposed,
    kCliSuggested,
    kCliAlreadyBest,
    kCliBestFound,
    kCliCouldNotWrite,
    kCliCouldNotWriteInUse,     // ... and why, where the window would say it
    kCliCouldNotWriteReadOnly,
    kCliCouldNotWriteDiskFull,
    kCliCouldNotWriteFolder,
    kCliWriteError,       // the tool's own output could not be written
    kCliSideCopyLeft,     // {1}: a song; {2}: the copy of it that a save cut short left
    kCliNotANearWindow,   // {1}: the option and its value, quoted
    kCliNear,             // {1}: near clashes of a drum track, after its clashing ticks
    kCliRoutingBestFound,
    kCliClashesAt,        // heading of the clashes' positions
    kCliNearPlace,        // marks a near clash among them
    kCliTextCount
};

// The text in the active language, with {1}, {2}, {3} replaced by `values` in turn.
std::string cliText(CliTextIndex index, std::initializer_list<std::string> values = {});
