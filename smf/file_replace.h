#pragma once

#include <cstdint>
#include <span>
#include <string>

// Makes `bytes` the whole content of the file at `path`, or leaves the file as
// it was: the bytes go to a temporary beside the file, which is put in its
// place only when every byte has been written. False when anything failed.
bool replaceFileContents(const std::wstring& path, std::span<const std::uint8_t> bytes);
