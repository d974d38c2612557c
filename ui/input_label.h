#pragma once

#include <string>

// The file name that the input-file label shows for a dropped path: what
// follows the last backslash or slash, whichever comes last; the whole path
// when it has neither.
std::wstring droppedFileName(const std::wstring& path);

// The input-file label after a drop that loaded: "Input File: song.mid".
std::wstring loadedInputLabel(const std::wstring& path);

// ... and after one that did not: "Input File: [ Load Failed ]".
std::wstring failedInputLabel();
