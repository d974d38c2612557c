#pragma once

// Text as the tool prints it: UTF-8 (from the core's converters) and JSON.

#include <string>
#include <string_view>

#include "song/utf8.h"

// `text` (valid UTF-8) as a quoted JSON string: quote, backslash and control
// characters escaped, everything else passed through as UTF-8.
std::string jsonQuoted(std::string_view text);

// A path as a JSON string: as jsonQuoted, and a byte of a name that was not
// UTF-8 as "\udcNN", the lone surrogate that stands for it (as Python reads it).
std::string jsonQuotedPath(std::wstring_view path);

// A path or an argument as the text output shows it, in UTF-8, with what could
// not be seen or would forge a line escaped as `ls -b` does: tab, line feed and
// carriage return as \t, \n and \r, other control characters and the bytes of
// a name that was not UTF-8 as \xNN, and so a backslash as \\, but on Windows,
// where it separates folders and no name holds those.
std::string visibleText(std::wstring_view text);
