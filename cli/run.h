#pragma once

// Runs a parsed command line over its files, through the same load and save
// commands as the window, and prints what the window would have shown.

#include <iosfwd>
#include <vector>

#include "cli/arguments.h"

inline constexpr int kExitAllDone = 0;
inline constexpr int kExitSomeFileFailed = 1;
inline constexpr int kExitUsage = 2;

// A save cut short by Ctrl-C, SIGTERM or SIGHUP removes its temporary, and the
// tool then ends as the signal would have ended it. A write past the file-size
// limit (ulimit -f) fails as on a full disk instead of ending the tool.
void prepareSignals();

// Chooses the interface texts from the locale variables, as the window chooses
// them from the user's interface language: LC_ALL when set and not empty, else
// LANG. Either may be null.
void selectLanguageFromLocale(const char* lcAll, const char* lang);

// Sets the destination of each overridden note that the loaded song uses; the
// others are left alone, so one set of overrides can serve several songs.
void applyOverrides(const std::vector<NoteOverride>& overrides);

// The destinations a command works with: the proposals with the overrides
// applied, or with --auto the choice that leaves the fewest clashes around the
// overrides. Sets assignmentMap. False when that choice is the best that the
// search found in its budget rather than one proven best.
bool applyDestinations(const Invocation& invocation);

// Processes every file on its own, prints results to `out` and failures to
// `err` (UTF-8), and returns the exit status: all done, or some file failed.
int runInvocation(const Invocation& invocation, std::ostream& out, std::ostream& err);

// The whole tool from the arguments after the program name: parses them,
// reports a usage error, or runs the command.
int runTessaline(const std::vector<std::wstring>& arguments, std::ostream& out, std::ostream& err);
