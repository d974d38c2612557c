#include "ui/input_label.h"

#include "ui/texts.h"

std::wstring droppedFileName(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring loadedInputLabel(const std::wstring& path) {
    return uiText(kTextInputFilePrefix) + droppedFileName(path);
}

std::wstring failedInputLabel() { return std::wstring(uiText(kTextInputFilePrefix)) + uiText(kTextInputFileFailed); }
