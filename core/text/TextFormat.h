// printf into a std::string, for the texts the program builds (log lines, error texts). A text
// longer than the caller's limit is cut there; nothing here fails.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quillon {

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatTextV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// Each byte as two upper-case hex digits followed by `after`: HexBytes({0x0A, 0xFF}, " ") is
// "0A FF ".
std::string HexBytes(std::span<const uint8_t> bytes, std::string_view after);

}  // namespace quillon
