// The serial devices this system has, with what their USB adapter says of itself, read from sysfs
// (/sys/class/tty/<name>/device and the USB device above it). The root folder is a parameter so
// tests can point it at a fake tree. Pseudo-terminals and ttys without a device are never listed.
// On Windows the list is the system's COM port map in the registry, with what the device registry
// says of each adapter (the roots are unused). A tree or map that cannot be read gives an empty
// list, never an error.
#pragma once

#include <string>
#include <vector>

namespace quillon {

struct SerialPortInfo {
    std::string name;          // "ttyUSB0"
    std::string devicePath;    // "/dev/ttyUSB0"
    std::string driver;        // "ftdi_sio", "8250", ... (may be empty)
    std::string vendorId;      // "0403" (USB only)
    std::string productId;     // "6001"
    std::string manufacturer;  // "FTDI"
    std::string product;       // "FT232R USB UART"
    std::string serialNumber;  // "A50285BI"
    // One line for a picker: "/dev/ttyUSB0  FTDI FT232R USB UART (0403:6001, serial A50285BI)".
    std::string Description() const;
};

// Reads a Windows device instance ID into info when it is a USB device's: the vendor and product
// of "USB\VID_0403&PID_6001\A50285BI", and the serial number when the last part is the device's
// own (one Windows makes up holds '&'). False for any other device, and for one interface of a
// composite device ("...&MI_00\..."): its parent is the device.
bool ReadUsbInstanceId(const std::string& id, SerialPortInfo* info);

// sysfsRoot is "/sys" in production; devRoot "/dev".
std::vector<SerialPortInfo> ListSerialPorts(const std::string& sysfsRoot = "/sys",
                                            const std::string& devRoot = "/dev");

}  // namespace quillon
