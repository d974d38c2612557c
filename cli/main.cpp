#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_texts.h"
#include "cli/run.h"
#include "cli/text_encoding.h"
#include "ui/window_headless.h"
#include "ui/texts.h"

#ifdef _WIN32
#include <windows.h>

// Windows hands over the arguments as UTF-16 and follows the user's interface
// language, as the window does; the console is told that we print UTF-8.
int wmain(int argc, wchar_t* argv[]) {
    SetConsoleOutputCP(CP_UTF8);
    headlessWindow.interfaceLanguage = GetUserDefaultUILanguage();
    selectUiLanguage();
    std::vector<std::wstring> arguments(argv + 1, argv + argc);
    return runTessaline(arguments, std::cout, std::cerr);
}

#else

int main(int argc, char* argv[]) {
    selectLanguageFromLocale(std::getenv("LC_ALL"), std::getenv("LANG"));
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i) {
        std::optional<std::wstring> argument = fromUtf8(argv[i]);
        if (!argument) {
            // The core opens files by wide paths, which a name in another encoding cannot become.
            std::cerr << "tessaline: " << cliText(kCliNotUtf8, {std::to_string(i)}) << '\n';
            return kExitUsage;
        }
        arguments.push_back(std::move(*argument));
    }
    return runTessaline(arguments, std::cout, std::cerr);
}

#endif
