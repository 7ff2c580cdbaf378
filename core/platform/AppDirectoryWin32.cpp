#include <windows.h>

#include <cwchar>

#include "platform/AppDirectory.h"
#include "platform/WideText.h"

namespace quillon {

namespace {

// The wide path with '/' separators, as the rest of the program writes paths.
std::string ForwardSlashes(const std::wstring& path) {
    std::string utf8 = Utf8FromWide(path);
    for (char& c : utf8) {
        if (c == '\\') {
            c = '/';
        }
    }
    return utf8;
}

}  // namespace

std::string ExecutableDirectory() {
    std::wstring path(32768, L'\0');
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) {
        return {};
    }
    path.resize(n);
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : ForwardSlashes(path.substr(0, slash + 1));
}

std::string UserDataDirectory() {
    const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA");
    if (local != nullptr && local[0] != L'\0') {
        std::string dir = ForwardSlashes(local);
        return dir + (dir.back() == '/' ? "" : "/") + "Quillon7/";
    }
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    return (n > 0 ? ForwardSlashes(std::wstring(temp, n)) : std::string("C:/")) + "Quillon7/";
}

}  // namespace quillon
