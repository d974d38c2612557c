#include "split/output_path.h"

#include "song/song_data.h"

bool overwriteInput = false;

std::wstring outputPathFor(const std::wstring& inputPath, const std::wstring& suffix) {
    const std::size_t separator = inputPath.find_last_of(L"\\/");
    const std::size_t nameStart = separator == std::wstring::npos ? 0 : separator + 1;
    const std::size_t dot = inputPath.rfind(L'.');
    // A dot in a folder name ("C:\Users\a.b\Music\song") is no extension.
    const std::size_t stemEnd = dot != std::wstring::npos && dot >= nameStart ? dot : inputPath.size();
    return inputPath.substr(0, stemEnd) + suffix;
}

std::wstring makeOutputPath(const std::wstring& suffix) { return outputPathFor(songData.inputPath, suffix); }
