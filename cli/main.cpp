#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_texts.h"
#include "cli/run.h"
#include "cli/text_encoding.h"
#include "ui/window_headless.h"
#include "ui/texts.h"

namespace {

// Output that could not be written (a full disk) fails the tool with a message,
// as in the GNU tools; a reader that went away (a closed pipe) ends it quietly.
int finishOutput(int status) {
    std::cout.flush();
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) {
        return status;
    }
    if (errno != EPIPE) {
        std::cerr << "tessaline: " << cliText(kCliWriteError) << ": " << std::strerror(errno) << '\n';
    }
    return kExitSomeFileFailed;
}

}  // namespace

#ifdef _WIN32
#include <windows.h>

#include "song/file_replace.h"

namespace {

// Every console event that ends the tool (Ctrl-C, Ctrl-Break, the console
// window closed, a log-off, a shut-down) first lets the save under way finish
// its step and removes its temporary. Windows calls this on a thread of its
// own, before the C runtime's handler of Ctrl-C (prepareSignals); FALSE passes
// the event on to the handler that ends the process.
BOOL WINAPI endOnConsoleEvent(DWORD) {
    removeUnfinishedTemporary();
    return FALSE;
}

}  // namespace

// Windows hands over the arguments as UTF-16 and follows the user's interface
// language, as the window does; the console is told that we print UTF-8.
int wmain(int argc, wchar_t* argv[]) {
    SetConsoleOutputCP(CP_UTF8);
    headlessWindow.interfaceLanguage = GetUserDefaultUILanguage();
    selectUiLanguage();
    prepareSignals();
    SetConsoleCtrlHandler(endOnConsoleEvent, TRUE);  // after the runtime's, so called first
    std::vector<std::wstring> arguments(argv + 1, argv + argc);
    return finishOutput(runTessaline(arguments, std::cout, std::cerr));
}

#else

int main(int argc, char* argv[]) {
    selectLanguageFromLocale(std::getenv("LC_ALL"), std::getenv("LANG"));
    prepareSignals();
    // Names need not be UTF-8: their bytes are kept, and give the same file back.
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(fromFileNameBytes(argv[i]));
    }
    return finishOutput(runTessaline(arguments, std::cout, std::cerr));
}

#endif
