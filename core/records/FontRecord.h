// One pane font as the font settings file keeps it: the 60-byte little-endian record of the old
// platform's font description (single-byte character set). Encode/Decode are exact byte for
// byte; PixelHeight and DrawWeight clamp whatever a damaged record holds to usable values.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quillon {

struct FontRecord {
    static constexpr std::size_t kSize = 60;
    static constexpr std::size_t kFaceSize = 32;
    static constexpr uint8_t kDefaultPitchAndFamily = 0x20;
    static constexpr int32_t kWeightNormal = 400;
    static constexpr int32_t kWeightBold = 700;
    // A record read from a damaged file is drawn no smaller or larger than this.
    static constexpr int kMinPixelHeight = 6;
    static constexpr int kMaxPixelHeight = 96;
    static constexpr int32_t kMinWeight = 1;
    static constexpr int32_t kMaxWeight = 1000;

    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    std::array<char, kFaceSize> faceName{};

    static FontRecord Make(int32_t height, int32_t weight, const std::string& face);
    // The defaults: message and serial-data panes 14 bold Arial, text view 13 Courier New.
    static FontRecord MessagePaneDefault() { return Make(14, kWeightBold, "Arial"); }
    static FontRecord SerialPaneDefault() { return Make(14, kWeightBold, "Arial"); }
    static FontRecord TextViewDefault() { return Make(13, kWeightNormal, "Courier New"); }

    std::array<uint8_t, kSize> Encode() const;
    static FontRecord Decode(const uint8_t* bytes);  // kSize bytes

    // The face up to its zero (at most 31 characters, printable only).
    std::string Face() const;
    // The size and weight a pane draws with: a damaged record's values clamped to usable ones.
    int PixelHeight() const;
    int32_t DrawWeight() const;

    bool operator==(const FontRecord&) const = default;
};

}  // namespace quillon
