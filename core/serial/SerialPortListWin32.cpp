#include <windows.h>
// After windows.h, which they need.
#include <cfgmgr32.h>
#include <setupapi.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>

#include "platform/WideText.h"
#include "serial/SerialPortList.h"

namespace quillon {

namespace {

constexpr wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr DWORD kMaxNameChars = 256;
// The setup class of serial and parallel ports ("Ports (COM & LPT)").
constexpr GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
// Device, hub, controller: more is no USB device above a port.
constexpr int kMaxParents = 4;

// "COM10" after "COM9": by the number, not the text.
bool ComesBefore(const SerialPortInfo& a, const SerialPortInfo& b) {
    auto number = [](const std::string& name) {
        return name.rfind("COM", 0) == 0 ? std::atoi(name.c_str() + 3) : 0;
    };
    return number(a.name) != number(b.name) ? number(a.name) < number(b.name) : a.name < b.name;
}

// The system's map of serial devices: each value names a kernel device ("\Device\Serial0",
// "\Device\VCP0") and holds the COM name that opens it.
std::vector<SerialPortInfo> ReadSerialCommMap() {
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
    return ports;
}

std::string DeviceText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t text[kMaxNameChars] = {};
    DWORD type = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type,
                                             reinterpret_cast<BYTE*>(text),
                                             sizeof text - sizeof(wchar_t), nullptr) ||
        type != REG_SZ) {
        return {};
    }
    return Utf8FromWide(std::wstring(text, ::wcsnlen(text, kMaxNameChars)));
}

// The COM name the device's own registry key gives it ("COM3"), or empty.
std::string PortNameOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
    HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) {
        return {};
    }
    wchar_t name[kMaxNameChars] = {};
    DWORD bytes = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const bool read = ::RegQueryValueExW(key, L"PortName", nullptr, &type,
                                         reinterpret_cast<BYTE*>(name), &bytes) == ERROR_SUCCESS &&
                      type == REG_SZ;
    ::RegCloseKey(key);
    return read ? Utf8FromWide(std::wstring(name, ::wcsnlen(name, kMaxNameChars))) : "";
}

// The vendor, product and serial number of the USB device the port is, or hangs from.
void ReadUsbDevice(DEVINST device, SerialPortInfo& info) {
    for (int level = 0; level <= kMaxParents; ++level) {
        wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
        if (::CM_Get_Device_IDW(device, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS ||
            ReadUsbInstanceId(Utf8FromWide(id), &info) ||
            ::CM_Get_Parent(&device, device, 0) != CR_SUCCESS) {
            return;
        }
    }
}

// What the device registry says of each port the setup class Ports holds: the adapter's name
// and maker, and for USB its numbers.
void AddAdapterDetails(std::vector<SerialPortInfo>& ports) {
    HDEVINFO set = ::SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        const std::string name = PortNameOf(set, device);
        if (name.rfind("COM", 0) != 0) {
            continue;  // a printer port
        }
        auto port = std::find_if(ports.begin(), ports.end(),
                                 [&name](const SerialPortInfo& p) { return p.name == name; });
        if (port == ports.end()) {
            SerialPortInfo unmapped;
            unmapped.name = name;
            unmapped.devicePath = name;
            port = ports.insert(ports.end(), std::move(unmapped));
        }
        port->manufacturer = DeviceText(set, device, SPDRP_MFG);
        // "USB Serial Port (COM3)": the name is listed anyway.
        port->product = DeviceText(set, device, SPDRP_FRIENDLYNAME);
        const std::string suffix = " (" + name + ")";
        if (port->product.ends_with(suffix)) {
            port->product.resize(port->product.size() - suffix.size());
        }
        ReadUsbDevice(device.DevInst, *port);
    }
    ::SetupDiDestroyDeviceInfoList(set);
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts(const std::string& sysfsRoot,
                                            const std::string& devRoot) {
    (void)sysfsRoot;
    (void)devRoot;
    std::vector<SerialPortInfo> ports = ReadSerialCommMap();
    AddAdapterDetails(ports);
    std::sort(ports.begin(), ports.end(), ComesBefore);
    return ports;
}

}  // namespace quillon
