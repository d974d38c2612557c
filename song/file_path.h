#pragma once

#include <filesystem>
#include <string>

// The file that a wide path names. Windows takes wide paths as they are. Other
// systems name files by bytes, and the wide path is encoded as UTF-8 there:
// the standard library would convert it through the "C" locale, which knows
// no character beyond ASCII. A unit that is no character (a lone surrogate, a
// value past U+10FFFF) becomes U+FFFD.
std::filesystem::path filePath(const std::wstring& path);
