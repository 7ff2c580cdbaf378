// A colour written as on the web, red first: Rgb(0x8B0000) is dark red. Every 24-bit value is a
// colour, so no value can fail to convert.
#pragma once

#include <QColor>
#include <cstdint>

namespace quillon {

class Rgb {
  public:
    constexpr Rgb() = default;
    constexpr explicit Rgb(std::uint32_t rrggbb) : value_(rrggbb & kMask) {}

    constexpr int Red() const { return static_cast<int>((value_ >> 16) & kByte); }
    constexpr int Green() const { return static_cast<int>((value_ >> 8) & kByte); }
    constexpr int Blue() const { return static_cast<int>(value_ & kByte); }
    constexpr std::uint32_t Value() const { return value_; }
    constexpr bool operator==(const Rgb&) const = default;

  private:
    static constexpr std::uint32_t kMask = 0xFFFFFF;
    static constexpr std::uint32_t kByte = 0xFF;
    std::uint32_t value_ = 0;
};

inline QColor ToQColor(Rgb rgb) {
    return QColor(rgb.Red(), rgb.Green(), rgb.Blue());
}

inline Rgb RgbOf(const QColor& color) {
    return Rgb((static_cast<std::uint32_t>(color.red()) << 16) |
               (static_cast<std::uint32_t>(color.green()) << 8) |
               static_cast<std::uint32_t>(color.blue()));
}

}  // namespace quillon
