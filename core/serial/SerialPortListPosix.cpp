#include "serial/SerialPortList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

namespace quillon {

namespace fs = std::filesystem;

namespace {

// sysfs nests a USB device a few levels above its tty; a deeper walk means an odd tree.
constexpr int kMaxWalkUp = 8;
// sysfs attributes are short; anything longer is not one.
constexpr std::streamsize kMaxAttributeLength = 256;
// The serial core's "type" attribute: 0 is a UART slot with no chip found behind it.
constexpr const char* kUartTypeUnknown = "0";

std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    if (!in) {
        return {};
    }
    std::string text(static_cast<size_t>(kMaxAttributeLength), '\0');
    in.read(text.data(), kMaxAttributeLength);
    text.resize(static_cast<size_t>(in.gcount()));
    auto end = text.find_first_of("\r\n");
    if (end != std::string::npos) {
        text.resize(end);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.pop_back();
    }
    return text;
}

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

// The basename of what a symlink points at ("ftdi_sio" for .../drivers/ftdi_sio).
std::string LinkBasename(const fs::path& link) {
    std::error_code ec;
    fs::path target = fs::read_symlink(link, ec);
    return ec ? std::string() : target.filename().string();
}

// The first folder at or above `device` that describes a USB device, or empty.
fs::path FindUsbDevice(const fs::path& device, const fs::path& stopAt) {
    fs::path folder = device;
    for (int level = 0; level < kMaxWalkUp && !folder.empty(); ++level) {
        if (Exists(folder / "idVendor")) {
            return folder;
        }
        if (folder == stopAt || folder == folder.root_path()) {
            break;
        }
        folder = folder.parent_path();
    }
    return {};
}

void ReadUsbAttributes(const fs::path& usb, SerialPortInfo& info) {
    info.vendorId = ReadAttribute(usb / "idVendor");
    info.productId = ReadAttribute(usb / "idProduct");
    info.manufacturer = ReadAttribute(usb / "manufacturer");
    info.product = ReadAttribute(usb / "product");
    info.serialNumber = ReadAttribute(usb / "serial");
}

// A listed port, or nothing for ttys without a device (pseudo-terminals, consoles) and for
// UART slots with no chip.
std::optional<SerialPortInfo> ReadPort(const fs::directory_entry& entry, const fs::path& sysRoot,
                                       const std::string& devRoot) {
    const fs::path ttyFolder = entry.path();
    std::error_code ec;
    fs::path device = fs::canonical(ttyFolder / "device", ec);
    if (ec) {
        return std::nullopt;
    }
    if (ReadAttribute(ttyFolder / "type") == kUartTypeUnknown) {
        return std::nullopt;
    }
    SerialPortInfo info;
    info.name = ttyFolder.filename().string();
    info.devicePath = devRoot + "/" + info.name;
    info.driver = LinkBasename(device / "driver");
    fs::path usb = FindUsbDevice(device, sysRoot);
    if (!usb.empty()) {
        ReadUsbAttributes(usb, info);
    }
    return info;
}

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The run of digits at `pos` without its leading zeros; `pos` moves past the run.
std::string_view TakeNumber(std::string_view text, size_t& pos) {
    size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos])) {
        ++pos;
    }
    std::string_view run = text.substr(start, pos - start);
    size_t significant = run.find_first_not_of('0');
    return significant == std::string_view::npos ? std::string_view() : run.substr(significant);
}

// "ttyS2" before "ttyS10": runs of digits compare by value.
bool NaturalLess(std::string_view a, std::string_view b) {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::string_view numberA = TakeNumber(a, i);
            std::string_view numberB = TakeNumber(b, j);
            if (numberA.size() != numberB.size()) {
                return numberA.size() < numberB.size();
            }
            if (numberA != numberB) {
                return numberA < numberB;
            }
            continue;
        }
        if (a[i] != b[j]) {
            return a[i] < b[j];
        }
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

// Technicians mostly use USB adapters, so those come first.
bool ListedBefore(const SerialPortInfo& a, const SerialPortInfo& b) {
    bool usbA = !a.vendorId.empty();
    bool usbB = !b.vendorId.empty();
    if (usbA != usbB) {
        return usbA;
    }
    return NaturalLess(a.name, b.name);
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts(const std::string& sysfsRoot,
                                            const std::string& devRoot) {
    std::vector<SerialPortInfo> ports;
    try {
        std::error_code ec;
        fs::path sysRoot = fs::canonical(sysfsRoot, ec);
        if (ec) {
            return ports;
        }
        fs::directory_iterator it(sysRoot / "class" / "tty", ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            if (auto port = ReadPort(*it, sysRoot, devRoot)) {
                ports.push_back(std::move(*port));
            }
        }
        std::sort(ports.begin(), ports.end(), ListedBefore);
    } catch (const std::exception&) {
        // Out of memory or a path the library could not convert: an empty list says enough.
        ports.clear();
    }
    return ports;
}

}  // namespace quillon
