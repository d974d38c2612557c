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

// File names on POSIX are bytes, not always UTF-8 (old archives unpack Latin-1
// and Shift_JIS names). A name's bytes become a wide string that keeps them
// all: UTF-8 sequences as their characters, any other byte B as the unit
// U+DC00 + B, a lone surrogate that no UTF-8 text decodes to.
std::wstring fromFileNameBytes(std::string_view bytes);

// The bytes of such a name again: toUtf8, but for the units U+DC80 to U+DCFF,
// which give back the bytes they stand for.
std::string toFileNameBytes(std::wstring_view name);

// Whether a unit of such a name stands for a byte that was not UTF-8. Never on
// Windows, whose names are UTF-16 already (and where such a unit may be half
// of a character).
bool isKeptByte(wchar_t unit);
