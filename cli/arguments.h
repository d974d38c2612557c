#pragma once

// The command line, read into what the tool will do. Arguments arrive as wide
// strings (the paths the core takes); messages leave as UTF-8, in the language
// of the interface texts.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "drums/drum_inventory.h"

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
};

struct UsageError {
    std::string message;  // names the offending argument
};

using ParsedArguments = std::variant<Invocation, UsageError>;

// Reads the arguments after the program name. --help and --version anywhere
// before "--" win over everything else, errors included.
ParsedArguments parseArguments(const std::vector<std::wstring>& arguments);

// The notes of one --tr4/--tr5/--both value: decimal numbers 0 to 255 joined by
// commas, nothing else. Appends them to `overrides` with `target`; on error
// appends nothing and returns the message. `argument` is what the user typed,
// for the message.
std::variant<std::monostate, UsageError> parseNoteList(const std::wstring& value, DrumTarget target,
                                                       const std::wstring& argument,
                                                       std::vector<NoteOverride>& overrides);
