#pragma once

// The command line, read into what the tool will do. Arguments arrive as wide
// strings (the paths the core takes); messages leave as UTF-8, in the language
// of the interface texts.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "drums/drum_inventory.h"
#include "split/hit_routing.h"

enum class Command {
    List,
    SplitInsert,
    SplitOverwrite,
    Format1,
    Suggest,
    Help,
    Version,
};

// A destination the user gave for one note, as a double-click would set it.
struct NoteOverride {
    std::int32_t note = 0;
    DrumTarget target = TR4;

    bool operator==(const NoteOverride&) const = default;
};

struct Invocation {
    Command command = Command::Help;
    std::vector<std::wstring> files;
    std::vector<NoteOverride> overrides;  // in the order given, each note once
    bool json = false;                    // list only
    bool inPlace = false;                 // split-overwrite only
    bool autoDestinations = false;        // --auto: destinations that leave the fewest clashes
    bool perHitAll = false;               // --per-hit-all: every note on AUTO
    bool where = false;                   // --where: list only, where each clash is
    std::optional<NearWindow> nearOption;       // --near: the window for near clashes
};

struct UsageError {
    std::string message;  // names the offending argument
};

using ParsedArguments = std::variant<Invocation, UsageError>;

// Reads the arguments after the program name. --help and --version anywhere
// before "--" win over everything else, errors included.
ParsedArguments parseArguments(const std::vector<std::wstring>& arguments);

// The value of --near: "1/N" for N of 16, 32 or 64, "0" for none, or "Nticks"
// for N from 1 to 100000; nothing for anything else.
std::optional<NearWindow> parseNearWindow(const std::wstring& value);

// The notes of one --tr4/--tr5/--both/--per-hit value: decimal numbers 0 to 255 joined by
// commas, nothing else. Appends them to `overrides` with `target`; on error
// appends nothing and returns the message. `argument` is what the user typed,
// for the message.
std::variant<std::monostate, UsageError> parseNoteList(const std::wstring& value, DrumTarget target,
                                                       const std::wstring& argument,
                                                       std::vector<NoteOverride>& overrides);
