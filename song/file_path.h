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

// "song.mid.tessaline-old" beside "song.mid": the song as it was, kept on the
// disk while a save rewrites the file itself, so that a complete copy exists
// at every moment. Only a kill or a power cut in the middle of such a save
// leaves it behind; nothing removes it then. A name with no room for the 14
// more characters is shortened and marked with a hash of the whole name, so
// that each file keeps a name of its own.
std::filesystem::path sideCopyBeside(const std::filesystem::path& file);

// The side copy that an interrupted save of the file at `path` left beside it
// (or beside the file its link names), for a front end to point out; empty
// when there is none.
std::wstring leftSideCopy(const std::wstring& path);
