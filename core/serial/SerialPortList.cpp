#include "serial/SerialPortList.h"

#include <algorithm>
#include <string_view>

#include "text/AsciiText.h"

namespace quillon {

std::string SerialPortInfo::Description() const {
    std::string text = devicePath;
    std::string label = manufacturer;
    if (!product.empty()) {
        label += (label.empty() ? "" : " ") + product;
    }
    if (!label.empty()) {
        text += "  " + label;
    }
    std::string details;
    if (!vendorId.empty()) {
        details = vendorId + ":" + productId;
        if (!serialNumber.empty()) {
            details += ", serial " + serialNumber;
        }
    } else {
        details = driver;
    }
    if (!details.empty()) {
        text += (label.empty() ? "  (" : " (") + details + ")";
    }
    return text;
}

bool ReadUsbInstanceId(const std::string& id, SerialPortInfo* info) {
    constexpr std::string_view kUsb = "USB\\VID_";
    constexpr std::string_view kProduct = "&PID_";
    constexpr size_t kIdDigits = 4;
    const size_t serial = id.find('\\', kUsb.size());
    const std::string_view ids = std::string_view(id).substr(0, serial);
    if (!StartsWithIgnoringAsciiCase(ids, kUsb) ||
        ids.size() != kUsb.size() + 2 * kIdDigits + kProduct.size() ||
        !StartsWithIgnoringAsciiCase(ids.substr(kUsb.size() + kIdDigits), kProduct)) {
        return false;
    }
    info->vendorId = AsciiLower(std::string(ids.substr(kUsb.size(), kIdDigits)));
    info->productId = AsciiLower(std::string(ids.substr(ids.size() - kIdDigits)));
    const std::string_view own =
        serial == std::string::npos ? std::string_view() : std::string_view(id).substr(serial + 1);
    info->serialNumber = own.find('&') == std::string_view::npos ? std::string(own) : "";
    return true;
}

}  // namespace quillon
