#include "text/TextFormat.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace quillon {

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    return text;
}

std::string FormatTextV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<size_t>(length));
    }
    return text;
}

std::string HexBytes(std::span<const uint8_t> bytes, std::string_view after) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    constexpr int kHighNibbleShift = 4;
    constexpr uint8_t kNibbleMask = 0x0F;
    std::string text;
    text.reserve(bytes.size() * (2 + after.size()));
    for (uint8_t byte : bytes) {
        text += kDigits[byte >> kHighNibbleShift];
        text += kDigits[byte & kNibbleMask];
        text += after;
    }
    return text;
}

}  // namespace quillon
