// libFuzzer target: any bytes, dropped on the program and saved three ways.
// A guarantee that does not hold is a finding, as a crash is.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz/pipeline_check.h"

namespace {

PipelineOptions options;

void removeSaveFolder() {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(options.saveFolder), ec);
}

}  // namespace

// The saves write into a folder of their own, under TMPDIR or /tmp.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tessaline-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("tessaline fuzzer: mkdtemp");
        std::abort();
    }
    // The folder's name is UTF-8 bytes; the program takes wide paths.
    const std::u32string name = std::filesystem::path(pattern).u32string();
    options.saveFolder.assign(name.begin(), name.end());
    options.sampleSaves = true;
    std::atexit(removeSaveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const PipelineOutcome outcome = checkPipeline(data, size, options);
    if (!outcome.failure.empty()) {
        std::fprintf(stderr, "tessaline fuzzer: %s\n", outcome.failure.c_str());
        std::abort();
    }
    return 0;
}
