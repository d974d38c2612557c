#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A fresh folder for one test, removed with everything in it afterwards.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::filesystem::path path;

    std::wstring file(const std::wstring& name) const { return (path / name).wstring(); }
    // Names of the entries in the folder, sorted.
    std::vector<std::wstring> entries() const;
};

void writeFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path);
