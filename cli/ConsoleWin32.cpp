#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdlib>

#include "cli/Console.h"
#include "platform/WideText.h"

namespace quillon::cli {

namespace {

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

}  // namespace

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
    if (!::GetConsoleMode(console, &mode)) {
        return false;
    }
    return (mode & kVirtualTerminalProcessing) != 0 ||
           ::SetConsoleMode(console, mode | kVirtualTerminalProcessing) != 0;
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
