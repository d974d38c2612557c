// The resources linked into Tessaline.exe, read from the built program.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

// CTest names the program in TESSALINE_EXE.
class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override {
        const char* path = std::getenv("TESSALINE_EXE");
        if (path == nullptr) {
            GTEST_SKIP() << "run by CTest with TESSALINE_EXE set";
        }
        program = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(program, nullptr) << path;
    }
    void TearDown() override {
        if (program != nullptr) {
            FreeLibrary(program);
        }
    }

    std::string resourceText(LPCWSTR type, int id) const {
        const HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(id), type);
        if (found == nullptr) {
            return {};
        }
        const auto* bytes = static_cast<const char*>(LockResource(LoadResource(program, found)));
        return std::string(bytes, SizeofResource(program, found));
    }

    HMODULE program = nullptr;
};

}  // namespace

TEST_F(ProgramResources, ManifestAsksForTheInvokersRightsOnly) {
    const std::string manifest = resourceText(MAKEINTRESOURCEW(24), 1);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find(R"(level="asInvoker")"), std::string::npos);
    // Classic controls and system scaling: no dependency, no DPI settings.
    EXPECT_EQ(manifest.find("dependency"), std::string::npos);
    EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
}

TEST_F(ProgramResources, IconComesInThreeSizes) {
    const HRSRC group = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const auto* directory = static_cast<const WORD*>(LockResource(LoadResource(program, group)));
    EXPECT_EQ(directory[2], 3) << "16, 32 and 48 pixels";
    for (const int size : {16, 32, 48}) {
        const HICON icon = static_cast<HICON>(LoadImageW(program, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
        EXPECT_NE(icon, nullptr) << size;
        if (icon != nullptr) {
            DestroyIcon(icon);
        }
    }
}
