#include "controls/FormatLimited.h"

#include <QByteArray>
#include <cstdio>

namespace quillon {

namespace {
constexpr unsigned char kUtf8ContinuationMask = 0xC0;
constexpr unsigned char kUtf8ContinuationBits = 0x80;
}  // namespace

QString CutUtf8(const QByteArray& text, std::size_t limit) {
    if (static_cast<std::size_t>(text.size()) <= limit) {
        return QString::fromUtf8(text);
    }
    auto end = static_cast<qsizetype>(limit);
    // Step back over continuation bytes so the cut never lands inside a character.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & kUtf8ContinuationMask) ==
                          kUtf8ContinuationBits) {
        --end;
    }
    return QString::fromUtf8(text.left(end));
}

std::optional<QString> FormatLimitedV(std::size_t limit, const char* format, va_list args) {
    if (format == nullptr) {
        return std::nullopt;
    }
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (needed < 0) {
        return QString();
    }
    QByteArray buffer(needed + 1, '\0');
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    buffer.resize(needed);
    return CutUtf8(buffer, limit);
}

std::optional<QString> FormatLimited(std::size_t limit, const char* format, ...) {
    va_list args;
    va_start(args, format);
    auto result = FormatLimitedV(limit, format, args);
    va_end(args);
    return result;
}

}  // namespace quillon
