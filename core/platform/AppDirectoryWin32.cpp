#include <windows.h>

#include <cwchar>

#include "platform/AppDirectory.h"
#include "platform/PathText.h"
#include "platform/WideText.h"

namespace quillon {

std::string ExecutableDirectory() {
    std::wstring path(32768, L'\0');
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) {
        return {};
    }
    path.resize(n);
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string()
                                       : NativePath(Utf8FromWide(path.substr(0, slash + 1)));
}

std::string UserDataDirectory() {
    const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA");
    if (local != nullptr && local[0] != L'\0') {
        return JoinPath(NativePath(Utf8FromWide(local)), "Quillon7\\");
    }
    std::wstring temp(MAX_PATH + 1, L'\0');
    DWORD n = ::GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
    return JoinPath(n > 0 && n < temp.size() ? NativePath(Utf8FromWide(temp.substr(0, n))) : "C:\\",
                    "Quillon7\\");
}

}  // namespace quillon
