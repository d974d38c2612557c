#pragma once

// The core keeps paths and texts as wide strings; file names on POSIX, the
// terminal and JSON speak UTF-8. wchar_t is UTF-32 on Linux and UTF-16 on
// Windows; both are handled.

#include <optional>
#include <string>
#include <string_view>

// UTF-8 for a wide string. A code unit that is no character (a lone surrogate,
// a value above U+10FFFF) becomes U+FFFD, so the result is always valid UTF-8.
std::string toUtf8(std::wstring_view text);

// The wide string for UTF-8 text, or nothing when the bytes are not valid UTF-8
// (overlong forms, surrogates and values above U+10FFFF included).
std::optional<std::wstring> fromUtf8(std::string_view text);
