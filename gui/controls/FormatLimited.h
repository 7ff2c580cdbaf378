// printf-style formatting for control and dialog texts that keep a fixed length limit. A result
// longer than the limit is cut (never overflowing), on a character boundary; a null format gives
// an empty optional so callers can leave their text unchanged.
#pragma once

#include <QString>
#include <cstdarg>
#include <cstddef>
#include <optional>

namespace quillon {

std::optional<QString> FormatLimitedV(std::size_t limit, const char* format, va_list args);
std::optional<QString> FormatLimited(std::size_t limit, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Cuts UTF-8 text to at most limit bytes without splitting a multi-byte character.
QString CutUtf8(const QByteArray& text, std::size_t limit);

}  // namespace quillon
