#pragma once

#include <string>

// The state of the "overwrite input file" check box: set by the window when
// the box is clicked, and read again from the box by the split-overwrite save
// when it starts. Only that save uses it.
extern bool overwriteInput;

// songData.inputPath with its extension replaced by `suffix`: "song.mid" and
// "_S.mid" give "song_S.mid", "take.2.mid" gives "take.2_S.mid". Only a dot in
// the file name starts the extension; without one the suffix is appended.
std::wstring makeOutputPath(const std::wstring& suffix);

// The same for any path.
std::wstring outputPathFor(const std::wstring& inputPath, const std::wstring& suffix);
