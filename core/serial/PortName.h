// What a technician types to name a serial port: a port number ("3", or "COM3" as on the old
// system) or a device. On POSIX a device is a path ("/dev/ttyUSB0", "./ttyV0" relative to the
// working folder) or just "ttyUSB0" under /dev; on Windows a name in the device space ("\\.\CNCA0",
// or just "CNCA0", as virtual port drivers name their ports; "COM3:" is port 3). Text that names
// no port gives no result and a sentence saying what to type instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillon {

enum class PortNaming { kPosix, kWindows };

struct PortName {
    static constexpr int kMinPortNumber = 1;
    static constexpr int kMaxPortNumber = 256;
    static constexpr size_t kMaxDeviceLength = 255;

    // 1..256 when a number was typed (device then empty: the default device of that number);
    // 0 when a device was typed.
    int portNumber = 0;
    std::string device;  // full path, "/dev/ttyUSB0" or "\\.\CNCA0"

    bool HasDevice() const { return !device.empty(); }

#ifdef _WIN32
    static constexpr PortNaming kNativeNaming = PortNaming::kWindows;
#else
    static constexpr PortNaming kNativeNaming = PortNaming::kPosix;
#endif

    // Surrounding blanks are ignored. On failure *errorText (when given) says what was wrong.
    static std::optional<PortName> Parse(std::string_view text, std::string* errorText = nullptr,
                                         PortNaming naming = kNativeNaming);
};

// The index the serial layer knows a port by: port number 1 is index 0, 256 is 255; -1 for a
// number outside 1 to 256, which names no port.
inline int PortIndex(int portNumber) {
    return portNumber >= PortName::kMinPortNumber && portNumber <= PortName::kMaxPortNumber
               ? portNumber - 1
               : -1;
}

}  // namespace quillon
