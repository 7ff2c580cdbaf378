// printf into a std::string, for the texts the program builds (log lines, error texts). A text
// longer than the caller's limit is cut there; nothing here fails.
#pragma once

#include <cstddef>
#include <string>

namespace quillon {

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace quillon
