#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The file that a wide path names. Other systems than Windows name files by
// bytes: the wide path gives them back as toFileNameBytes does (UTF-8, and the
// bytes of a name that was not UTF-8 as they were), where the standard library
// would convert through the "C" locale, which knows no character beyond ASCII.
// On Windows a long path is given in its extended-length form.
std::filesystem::path filePath(const std::wstring& path);

// Windows refuses a path of MAX_PATH (260) characters or more, and a folder of
// 248 or more, unless it is in the extended-length form, "\\?\C:\..." or
// "\\?\UNC\server\share\...", which the system takes as it stands: "/" is not
// turned into "\" nor are "." and ".." resolved. This does that work and adds
// the prefix for a full path of 248 characters or more; shorter paths,
// relative ones and those already in a "\\?\" or "\\.\" form stay as they are.
std::wstring extendedLengthPath(std::wstring_view path);
