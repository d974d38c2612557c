#pragma once

// What the hardening tests share: valid files to damage, the spans of their
// chunks, running a piece of work under a memory limit, and running the built
// command-line tool.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/smf_builder.h"

struct NamedFile {
    std::string name;
    Bytes bytes;
};

// Valid files of several shapes: the demo groove, hand-built files and a
// generated song.
const std::vector<NamedFile>& validFiles();

// Where each track chunk of a valid file starts and ends.
struct ChunkSpan {
    std::size_t start;  // the "MTrk" id
    std::size_t end;    // one past the last byte of its body
};
std::vector<ChunkSpan> chunkSpans(const Bytes& file);

// Runs `work` in a child process whose address space may grow by no more than
// `limitBytes`: an allocation sized by a declared length instead of by the
// bytes present would fail there. True when `work` returned true. A quiet
// child says nothing on its error stream (the sanitizers report a failed
// allocation there).
bool runsWithinMemoryLimit(const std::function<bool()>& work, std::size_t limitBytes, bool quiet = false);

// Runs a shell command line, its output and errors into files of `folder`;
// returns the exit status, or -1 when it did not exit (killed by a signal).
int runShell(const std::string& commandLine, const std::filesystem::path& folder);

// Quotes a string for the shell.
std::string shellQuoted(const std::string& text);

// The built tool and the demo song generator.
std::string tessalinePath();
std::string makeGroovePath();

// The text of a file.
std::string fileText(const std::filesystem::path& path);
