#include <windows.h>

#include "platform/OsVersionText.h"

namespace quillon {

namespace {

using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);

// GetVersionEx reports what the program's manifest allows; ntdll tells the truth.
bool RealVersion(OSVERSIONINFOW* info) {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    FARPROC proc = ntdll != nullptr ? ::GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    if (proc == nullptr) {
        return false;
    }
    auto call = reinterpret_cast<RtlGetVersionCall>(reinterpret_cast<void (*)()>(proc));
    info->dwOSVersionInfoSize = sizeof *info;
    return call(info) == 0;
}

}  // namespace

std::string BuildOsVersionText(const std::string& osReleasePath) {
    (void)osReleasePath;
    OSVERSIONINFOW info{};
    if (!RealVersion(&info)) {
        return kUnknownOsText;
    }
    std::string text = "Windows " + std::to_string(info.dwMajorVersion) + "." +
                       std::to_string(info.dwMinorVersion) + " (build " +
                       std::to_string(info.dwBuildNumber) + ")";
    return text + (sizeof(void*) == 8 ? ", 64-bit" : ", 32-bit");
}

}  // namespace quillon
