#include "cli/arguments.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "cli/cli_texts.h"
#include "cli/text_encoding.h"

namespace {

struct CommandName {
    const wchar_t* name;
    Command command;
};

constexpr CommandName kCommands[] = {
    {L"list", Command::List},
    {L"split-insert", Command::SplitInsert},
    {L"split-overwrite", Command::SplitOverwrite},
    {L"format1", Command::Format1},
    {L"suggest", Command::Suggest},
};

struct TargetOption {
    const wchar_t* name;
    DrumTarget target;
};

constexpr TargetOption kTargetOptions[] = {
    {L"--tr4", TR4},
    {L"--tr5", TR5},
    {L"--both", BOTH},
    {L"--per-hit", AUTO},
};

std::string quoted(const std::wstring& argument) {
    std::string text = "'";
    text += visibleText(argument);
    text += '\'';
    return text;
}

UsageError usageError(std::string message) { return UsageError{std::move(message)}; }

std::optional<DrumTarget> targetOption(const std::wstring& name) {
    for (const TargetOption& option : kTargetOptions) {
        if (name == option.name) {
            return option.target;
        }
    }
    return std::nullopt;
}

bool takesOverrides(Command command) {
    return command == Command::List || command == Command::SplitInsert || command == Command::SplitOverwrite ||
           command == Command::Suggest;
}

std::optional<Command> commandNamed(const std::wstring& name) {
    for (const CommandName& entry : kCommands) {
        if (name == entry.name) {
            return entry.command;
        }
    }
    return std::nullopt;
}

}  // namespace

std::variant<std::monostate, UsageError> parseNoteList(const std::wstring& value, DrumTarget target,
                                                       const std::wstring& argument,
                                                       std::vector<NoteOverride>& overrides) {
    std::vector<NoteOverride> parsed;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = std::min(value.find(L',', start), value.size());
        const std::wstring item = value.substr(start, comma - start);
        if (item.empty() || !std::all_of(item.begin(), item.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
            return usageError(cliText(kCliNotANoteList, {quoted(argument)}));
        }
        // Leading zeros are harmless; a long run of digits must not overflow.
        const std::size_t firstDigit = std::min(item.find_first_not_of(L'0'), item.size() - 1);
        if (item.size() - firstDigit > 3 || std::stoi(item.substr(firstDigit)) > 255) {
            return usageError(cliText(kCliNoteOutOfRange, {quoted(argument), toUtf8(item)}));
        }
        parsed.push_back(NoteOverride{std::stoi(item), target});
        if (comma == value.size()) {
            break;
        }
        start = comma + 1;
    }
    overrides.insert(overrides.end(), parsed.begin(), parsed.end());
    return std::monostate{};
}

std::optional<NearWindow> parseNearWindow(const std::wstring& value) {
    constexpr std::pair<const wchar_t*, std::uint32_t> kFractions[] = {
        {L"1/16", 16}, {L"1/32", 32}, {L"1/64", 64}, {L"0", 0}};
    for (const auto& [text, perQuarter] : kFractions) {
        if (value == text) {
            return NearWindow{perQuarter, 0};
        }
    }
    const std::size_t digits = value.find_first_not_of(L"0123456789");
    if (digits == 0 || digits > 6 || value.substr(digits) != L"ticks") {
        return std::nullopt;
    }
    const std::uint32_t ticks = std::uint32_t(std::stoul(value.substr(0, digits)));
    if (ticks == 0 || ticks > 100000) {
        return std::nullopt;
    }
    return NearWindow{0, ticks};
}

namespace {

// --help or --version anywhere before "--".
std::optional<Command> helpOrVersion(const std::vector<std::wstring>& arguments) {
    for (const std::wstring& argument : arguments) {
        if (argument == L"--") {
            break;
        }
        if (argument == L"--help" || argument == L"-h") {
            return Command::Help;
        }
        if (argument == L"--version") {
            return Command::Version;
        }
    }
    return std::nullopt;
}

// What the loop over the arguments after the command builds up.
struct ArgumentReader {
    const std::vector<std::wstring>& arguments;
    std::string commandName;
    Invocation invocation;
    // The argument that gave each override, for the message about a note given twice.
    std::vector<std::wstring> overrideSources;
};

std::optional<UsageError> noteGivenTwice(ArgumentReader& reader, std::size_t firstNew, const std::wstring& shown) {
    std::vector<NoteOverride>& overrides = reader.invocation.overrides;
    for (std::size_t k = firstNew; k < overrides.size(); ++k) {
        const std::int32_t note = overrides[k].note;
        const auto earlier = std::find_if(overrides.begin(), overrides.begin() + k,
                                          [note](const NoteOverride& o) { return o.note == note; });
        if (earlier != overrides.begin() + k) {
            const std::wstring& first = reader.overrideSources[earlier - overrides.begin()];
            if (first == shown) {
                return usageError(cliText(kCliNoteGivenTwice, {std::to_string(note), quoted(first)}));
            }
            return usageError(cliText(kCliNoteGivenTwiceIn, {std::to_string(note), quoted(first), quoted(shown)}));
        }
        reader.overrideSources.push_back(shown);
    }
    return std::nullopt;
}

// An option's value, inline after "=" or as the next argument (which `i` then
// moves past), and the option as the user typed it, for messages.
struct OptionValue {
    bool given = false;
    std::wstring value;
    std::wstring shown;
};

OptionValue optionValue(const ArgumentReader& reader, std::size_t& i) {
    const std::wstring& argument = reader.arguments[i];
    const std::size_t equals = argument.find(L'=');
    if (equals != std::wstring::npos) {
        return {true, argument.substr(equals + 1), argument};
    }
    if (i + 1 < reader.arguments.size()) {
        const std::wstring& value = reader.arguments[++i];
        return {true, value, argument + L" " + value};
    }
    return {false, L"", argument};
}

// --tr4/--tr5/--both/--per-hit with its value.
std::optional<UsageError> readTargetOption(ArgumentReader& reader, std::size_t& i, DrumTarget target) {
    const std::wstring& argument = reader.arguments[i];
    const std::size_t equals = argument.find(L'=');
    if (!takesOverrides(reader.invocation.command)) {
        return usageError(cliText(kCliDoesNotApply, {quoted(argument.substr(0, equals)), reader.commandName}));
    }
    const OptionValue option = optionValue(reader, i);
    if (!option.given) {
        return usageError(cliText(kCliNeedsNotes, {quoted(argument)}));
    }
    const std::wstring& shown = option.shown;
    const std::size_t before = reader.invocation.overrides.size();
    const auto parsed = parseNoteList(option.value, target, shown, reader.invocation.overrides);
    if (const UsageError* error = std::get_if<UsageError>(&parsed)) {
        return *error;
    }
    return noteGivenTwice(reader, before, shown);
}

// --near with its value.
std::optional<UsageError> readNearOption(ArgumentReader& reader, std::size_t& i) {
    if (!takesOverrides(reader.invocation.command)) {
        return usageError(cliText(kCliDoesNotApply, {"'--near'", reader.commandName}));
    }
    const OptionValue option = optionValue(reader, i);
    reader.invocation.nearOption = parseNearWindow(option.value);
    if (!reader.invocation.nearOption) {
        return usageError(cliText(kCliNotANearWindow, {quoted(option.shown)}));
    }
    return std::nullopt;
}

// --json, --auto, --in-place, --per-hit-all, --where, each where its command takes it.
std::optional<UsageError> readFlag(ArgumentReader& reader, const std::wstring& argument) {
    Invocation& invocation = reader.invocation;
    if (argument == L"--per-hit-all") {
        if (!takesOverrides(invocation.command)) {
            return usageError(cliText(kCliDoesNotApply, {"'--per-hit-all'", reader.commandName}));
        }
        invocation.perHitAll = true;
    } else if (argument == L"--where") {
        if (invocation.command != Command::List) {
            return usageError(cliText(kCliAppliesOnlyTo, {"'--where'", "list"}));
        }
        invocation.where = true;
    } else if (argument == L"--json") {
        if (invocation.command != Command::List) {
            return usageError(cliText(kCliAppliesOnlyTo, {"'--json'", "list"}));
        }
        invocation.json = true;
    } else if (argument == L"--auto") {
        if (invocation.command == Command::Format1 || invocation.command == Command::Suggest) {
            return usageError(cliText(kCliDoesNotApply, {"'--auto'", reader.commandName}));
        }
        invocation.autoDestinations = true;
    } else if (argument == L"--in-place") {
        if (invocation.command != Command::SplitOverwrite) {
            return usageError(cliText(kCliAppliesOnlyTo, {"'--in-place'", "split-overwrite"}));
        }
        invocation.inPlace = true;
    } else {
        return usageError(cliText(kCliUnknownOption, {quoted(argument)}));
    }
    return std::nullopt;
}

// Files and options after the command; after "--" everything is a file.
std::optional<UsageError> readFilesAndOptions(ArgumentReader& reader) {
    bool optionsEnded = false;
    for (std::size_t i = 1; i < reader.arguments.size(); ++i) {
        const std::wstring& argument = reader.arguments[i];
        std::optional<UsageError> error;
        if (optionsEnded || argument.empty() || argument.front() != L'-' || argument == L"-") {
            reader.invocation.files.push_back(argument);
        } else if (argument == L"--") {
            optionsEnded = true;
        } else if (argument.substr(0, argument.find(L'=')) == L"--near") {
            error = readNearOption(reader, i);
        } else if (const std::optional<DrumTarget> target = targetOption(argument.substr(0, argument.find(L'=')))) {
            error = readTargetOption(reader, i, *target);
        } else {
            error = readFlag(reader, argument);
        }
        if (error) {
            return error;
        }
    }
    return std::nullopt;
}

}  // namespace

ParsedArguments parseArguments(const std::vector<std::wstring>& arguments) {
    if (const std::optional<Command> command = helpOrVersion(arguments)) {
        Invocation invocation;
        invocation.command = *command;
        return invocation;
    }
    if (arguments.empty()) {
        return usageError(cliText(kCliNoCommand));
    }
    const std::optional<Command> command = commandNamed(arguments.front());
    if (!command) {
        return usageError(cliText(kCliUnknownCommand, {quoted(arguments.front())}));
    }
    ArgumentReader reader{arguments, toUtf8(arguments.front()), Invocation(), {}};
    reader.invocation.command = *command;
    if (std::optional<UsageError> error = readFilesAndOptions(reader)) {
        return *error;
    }
    Invocation& invocation = reader.invocation;
    if (invocation.files.empty()) {
        return usageError(cliText(kCliNoFile, {reader.commandName}));
    }
    invocation.autoDestinations = invocation.autoDestinations || invocation.command == Command::Suggest;
    return invocation;
}
