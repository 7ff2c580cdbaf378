// Runs a program in this console and then writes what the console shows to a file, row by row
// in UTF-8 (blanks at the ends cut): the screen a technician sees, escape codes the console took
// for text included. scripts/test-windows.sh runs it under Wine.
// Usage: console_screen OUTPUT PROGRAM [ARGUMENT...]; exits with the program's status.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Ctrl-C is the program's: this one waits for it all the same.
BOOL WINAPI KeepRunning(DWORD event) {
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    std::string commandLine;
    for (int i = 2; i < argc; ++i) {
        commandLine += std::string(i > 2 ? " \"" : "\"") + argv[i] + "\"";
    }
    ::SetConsoleCtrlHandler(&KeepRunning, TRUE);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        return 2;
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 2;
    ::GetExitCodeProcess(process.hProcess, &status);
    HANDLE console =
        ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO screen{};
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!::GetConsoleScreenBufferInfo(console, &screen) || out == nullptr) {
        return 2;
    }
    for (SHORT row = 0; row <= screen.dwCursorPosition.Y; ++row) {
        std::wstring text(static_cast<size_t>(screen.dwSize.X), L' ');
        DWORD n = 0;
        ::ReadConsoleOutputCharacterW(console, text.data(), screen.dwSize.X, COORD{0, row}, &n);
        text.resize(text.find_last_not_of(L' ') + 1);
        std::string utf8(text.size() * 3, '\0');
        utf8.resize(static_cast<size_t>(
            ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                  utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr)));
        std::fprintf(out, "%s\n", utf8.c_str());
    }
    std::fclose(out);
    return static_cast<int>(status);
}
