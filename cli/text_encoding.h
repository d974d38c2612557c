#pragma once

// Text as the tool prints it: UTF-8 (from the core's converters) and JSON.

#include <string>
#include <string_view>

#include "song/utf8.h"

// `text` (valid UTF-8) as a quoted JSON string: quote, backslash and control
// characters escaped, everything else passed through as UTF-8.
std::string jsonQuoted(std::string_view text);
