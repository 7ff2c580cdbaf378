#include "serial/SerialPortList.h"

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

}  // namespace quillon
