// Colours written the way the look tables and settings keep them (0x00BBGGRR, red in the low
// byte) turned into QColor. The top byte is ignored, so no value can fail to convert.
#pragma once

#include <QColor>
#include <cstdint>

namespace quillon {

using ColorRef = std::uint32_t;

inline QColor FromColorRef(ColorRef ref) {
    return QColor(static_cast<int>(ref & 0xFFu), static_cast<int>((ref >> 8) & 0xFFu),
                  static_cast<int>((ref >> 16) & 0xFFu));
}

inline ColorRef ToColorRef(const QColor& color) {
    return static_cast<ColorRef>(color.red()) | (static_cast<ColorRef>(color.green()) << 8) |
           (static_cast<ColorRef>(color.blue()) << 16);
}

}  // namespace quillon
