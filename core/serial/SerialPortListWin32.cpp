#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>

#include "platform/WideText.h"
#include "serial/SerialPortList.h"

namespace quillon {

namespace {

constexpr wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr DWORD kMaxNameChars = 256;

// "COM10" after "COM9": by the number, not the text.
bool ComesBefore(const SerialPortInfo& a, const SerialPortInfo& b) {
    auto number = [](const std::string& name) {
        return name.rfind("COM", 0) == 0 ? std::atoi(name.c_str() + 3) : 0;
    };
    return number(a.name) != number(b.name) ? number(a.name) < number(b.name) : a.name < b.name;
}

}  // namespace

// The system's map of serial devices: each value names a kernel device ("\Device\Serial0",
// "\Device\VCP0") and holds the COM name that opens it.
std::vector<SerialPortInfo> ListSerialPorts(const std::string& sysfsRoot,
                                            const std::string& devRoot) {
    (void)sysfsRoot;
    (void)devRoot;
    std::vector<SerialPortInfo> ports;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return ports;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t device[kMaxNameChars] = {};
        wchar_t com[kMaxNameChars] = {};
        DWORD deviceChars = kMaxNameChars;
        DWORD comBytes = sizeof com - sizeof(wchar_t);
        DWORD type = 0;
        LONG result = ::RegEnumValueW(key, i, device, &deviceChars, nullptr, &type,
                                      reinterpret_cast<BYTE*>(com), &comBytes);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result != ERROR_SUCCESS || type != REG_SZ) {
            continue;
        }
        SerialPortInfo info;
        info.name = Utf8FromWide(std::wstring(com, ::wcsnlen(com, kMaxNameChars)));
        info.devicePath = info.name;
        info.driver = Utf8FromWide(device);
        ports.push_back(std::move(info));
    }
    ::RegCloseKey(key);
    std::sort(ports.begin(), ports.end(), ComesBefore);
    return ports;
}

}  // namespace quillon
