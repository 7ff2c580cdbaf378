#include "records/FontRecord.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace quillon {

namespace {

constexpr std::size_t kHeightAt = 0;
constexpr std::size_t kWidthAt = 4;
constexpr std::size_t kEscapementAt = 8;
constexpr std::size_t kOrientationAt = 12;
constexpr std::size_t kWeightAt = 16;
constexpr std::size_t kItalicAt = 20;
constexpr std::size_t kUnderlineAt = 21;
constexpr std::size_t kStrikeOutAt = 22;
constexpr std::size_t kCharSetAt = 23;
constexpr std::size_t kOutPrecisionAt = 24;
constexpr std::size_t kClipPrecisionAt = 25;
constexpr std::size_t kQualityAt = 26;
constexpr std::size_t kPitchAndFamilyAt = 27;
constexpr std::size_t kFaceAt = 28;
constexpr char kFirstPrintable = 0x20;
constexpr char kLastPrintable = 0x7E;

void PutInt(uint8_t* out, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>((bits >> (8 * i)) & 0xFFu);
    }
}

int32_t GetInt(const uint8_t* in) {
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) {
        bits |= static_cast<uint32_t>(in[i]) << (8 * i);
    }
    return static_cast<int32_t>(bits);
}

}  // namespace

FontRecord FontRecord::Make(int32_t height, int32_t weight, const std::string& face) {
    FontRecord r;
    r.height = height;
    r.weight = weight;
    r.pitchAndFamily = kDefaultPitchAndFamily;
    const std::size_t n = std::min(face.size(), kFaceSize - 1);
    std::memcpy(r.faceName.data(), face.data(), n);
    return r;
}

std::array<uint8_t, FontRecord::kSize> FontRecord::Encode() const {
    std::array<uint8_t, kSize> out{};
    PutInt(&out[kHeightAt], height);
    PutInt(&out[kWidthAt], width);
    PutInt(&out[kEscapementAt], escapement);
    PutInt(&out[kOrientationAt], orientation);
    PutInt(&out[kWeightAt], weight);
    out[kItalicAt] = italic;
    out[kUnderlineAt] = underline;
    out[kStrikeOutAt] = strikeOut;
    out[kCharSetAt] = charSet;
    out[kOutPrecisionAt] = outPrecision;
    out[kClipPrecisionAt] = clipPrecision;
    out[kQualityAt] = quality;
    out[kPitchAndFamilyAt] = pitchAndFamily;
    std::memcpy(&out[kFaceAt], faceName.data(), kFaceSize);
    return out;
}

FontRecord FontRecord::Decode(const uint8_t* bytes) {
    FontRecord r;
    r.height = GetInt(bytes + kHeightAt);
    r.width = GetInt(bytes + kWidthAt);
    r.escapement = GetInt(bytes + kEscapementAt);
    r.orientation = GetInt(bytes + kOrientationAt);
    r.weight = GetInt(bytes + kWeightAt);
    r.italic = bytes[kItalicAt];
    r.underline = bytes[kUnderlineAt];
    r.strikeOut = bytes[kStrikeOutAt];
    r.charSet = bytes[kCharSetAt];
    r.outPrecision = bytes[kOutPrecisionAt];
    r.clipPrecision = bytes[kClipPrecisionAt];
    r.quality = bytes[kQualityAt];
    r.pitchAndFamily = bytes[kPitchAndFamilyAt];
    std::memcpy(r.faceName.data(), bytes + kFaceAt, kFaceSize);
    return r;
}

std::string FontRecord::Face() const {
    std::string face;
    for (std::size_t i = 0; i + 1 < kFaceSize && faceName[i] != '\0'; ++i) {
        const char c = faceName[i];
        if (c < kFirstPrintable || c > kLastPrintable) {
            return {};  // a damaged name: let the caller fall back
        }
        face.push_back(c);
    }
    return face;
}

int FontRecord::PixelHeight() const {
    // A negative height means the character height; either way it is a pixel size here.
    const long long magnitude = std::llabs(static_cast<long long>(height));
    if (magnitude == 0) {
        return MessagePaneDefault().height;
    }
    return static_cast<int>(std::clamp<long long>(magnitude, kMinPixelHeight, kMaxPixelHeight));
}

int32_t FontRecord::DrawWeight() const {
    return weight == 0 ? kWeightNormal : std::clamp(weight, kMinWeight, kMaxWeight);
}

}  // namespace quillon
