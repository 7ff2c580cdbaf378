#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "cli/Console.h"
#include "platform/WideText.h"

namespace quillon::cli {

namespace {

constexpr size_t kConsoleBuffer = 16384;

// One command-line argument quoted the way the C runtime splits them again.
std::wstring Quoted(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// Whether the console acts on an escape code, which the mode alone does not tell: some consoles
// take the mode and print the code all the same (Wine's, for one). An escape code that changes
// nothing must leave the cursor where it was; one printed moves it, and is blanked out again.
bool EscapeCodesLeaveCursor(HANDLE console, std::FILE* stream) {
    constexpr wchar_t kNoChange[] = L"\x1b[0m";
    constexpr DWORD kLength = sizeof kNoChange / sizeof kNoChange[0] - 1;
    std::fflush(stream);
    CONSOLE_SCREEN_BUFFER_INFO before{};
    CONSOLE_SCREEN_BUFFER_INFO after{};
    DWORD written = 0;
    if (!::GetConsoleScreenBufferInfo(console, &before) ||
        !::WriteConsoleW(console, kNoChange, kLength, &written, nullptr) ||
        !::GetConsoleScreenBufferInfo(console, &after)) {
        return false;
    }
    const COORD from = before.dwCursorPosition;
    const COORD to = after.dwCursorPosition;
    if (from.X == to.X && from.Y == to.Y) {
        return true;
    }
    const long moved = (to.Y - from.Y) * static_cast<long>(before.dwSize.X) + (to.X - from.X);
    DWORD blanked = 0;
    ::FillConsoleOutputCharacterW(console, L' ', static_cast<DWORD>(std::max(moved, 0L)), from,
                                  &blanked);
    ::SetConsoleCursorPosition(console, from);
    return false;
}

}  // namespace

void PrepareConsole() {
    // Every text is UTF-8; a console shows it as such only with that code page, which it keeps
    // after the program: the one it had comes back at the end.
    static const UINT original = ::GetConsoleOutputCP();
    if (original != 0 && original != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) {
        std::atexit([] { ::SetConsoleOutputCP(original); });
    }
    // Without a buffer of its own a console stream is written a character at a time (MinGW's
    // printf puts each one), and the line another thread writes meanwhile comes out mixed into it
    // letter by letter. With one, each flush is a single write; whatever must show at once is
    // flushed (a pipe or file is buffered anyway).
    if (IsTerminal(stdout)) {
        std::setvbuf(stdout, nullptr, _IOFBF, kConsoleBuffer);
    }
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv + 1, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.push_back(Utf8FromWide(wide[i]));
    }
    ::LocalFree(wide);
    return arguments;
}

std::string EnvironmentText(const char* name) {
    const wchar_t* value = ::_wgetenv(WideFromUtf8(name).c_str());
    return value != nullptr ? Utf8FromWide(value) : "";
}

// The C runtime's own write, with its line-end translation, in a single call: through an
// unbuffered stream the console may get the text in pieces.
void WriteWhole(std::FILE* stream, std::string_view text) {
    std::fflush(stream);
    ::_write(::_fileno(stream), text.data(), static_cast<unsigned>(text.size()));
}

bool IsTerminal(std::FILE* stream) {
    return ::_isatty(::_fileno(stream)) != 0;
}

bool TerminalTakesEscapes(std::FILE* stream) {
    // Older headers lack the name; the flag is the same on every Windows that has it.
    constexpr DWORD kVirtualTerminalProcessing = 0x0004;
    if (!IsTerminal(stream)) {
        return false;
    }
    HANDLE console = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (!::GetConsoleMode(console, &mode) ||
        ((mode & kVirtualTerminalProcessing) == 0 &&
         !::SetConsoleMode(console, mode | kVirtualTerminalProcessing))) {
        return false;
    }
    if (EscapeCodesLeaveCursor(console, stream)) {
        return true;
    }
    ::SetConsoleMode(console, mode);
    return false;
}

bool RunPager(const std::string& pager, const std::string& path) {
    std::wstring commandLine = Quoted(WideFromUtf8(pager)) + L" " + Quoted(WidePath(path));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        return false;
    }
    ::CloseHandle(process.hThread);
    DWORD exitCode = 1;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    ::CloseHandle(process.hProcess);
    return exitCode == 0;
}

}  // namespace quillon::cli
