#include "firmware/Kx2Limits.h"

#include "protocol/Kx2Frame.h"
#include "settings/SettingsKeys.h"
#include "text/TextFormat.h"

namespace quillon {

static_assert(settings::kMaxPacketSize.low == static_cast<int32_t>(kKx2Overhead) + 1 &&
              settings::kMaxPacketSize.high == static_cast<int32_t>(kKx2MaxFrame));

uint64_t Kx2PacketsFor(uint64_t fileLength, int32_t maxPacketSize) {
    // An unusable packet size is refused with its own message; no division by it here.
    const int32_t payload = maxPacketSize - static_cast<int32_t>(kKx2Overhead);
    if (payload <= 0) {
        return 0;
    }
    const auto perPacket = static_cast<uint64_t>(payload);
    return (fileLength + perPacket - 1) / perPacket;
}

namespace {

// The refusal of a setting outside the range its key allows.
Kx2Refusal OutsideRange(const settings::IntKey& key, int32_t value) {
    return Kx2Refusal{FormatText("ERROR: %s %d is outside %d to %d; upload refused\n", key.key,
                                 value, key.low, key.high),
                      FormatText("%s outside %d to %d", key.key, key.low, key.high),
                      FormatText("The \"%s\" setting is %d; it must be %d to %d.", key.key, value,
                                 key.low, key.high)};
}

}  // namespace

std::optional<Kx2Refusal> CheckKx2Limits(uint64_t fileLength, const std::string& name,
                                         int32_t maxPacketSize, int32_t delayMs) {
    const auto& size = settings::kMaxPacketSize;
    const auto& delay = settings::kDelayBetweenPackets;
    if (!size.InRange(maxPacketSize)) {
        return OutsideRange(size, maxPacketSize);
    }
    if (!delay.InRange(delayMs)) {
        return OutsideRange(delay, delayMs);
    }
    if (fileLength == 0) {
        return Kx2Refusal{FormatText("ERROR: File \"%s\" is empty; upload refused\n", name.c_str()),
                          "File is empty", "The file is empty."};
    }
    constexpr int kMaxName = static_cast<int>(kKx2MaxNameLength);
    if (name.size() > kKx2MaxNameLength) {
        return Kx2Refusal{
            FormatText("ERROR: File name \"%s\" is longer than %d characters; upload refused\n",
                       name.c_str(), kMaxName),
            FormatText("File name longer than %d characters", kMaxName),
            FormatText("Its name has %llu characters; a KX2 unit takes at most %d.",
                       static_cast<unsigned long long>(name.size()), kMaxName)};
    }
    const uint64_t packets = Kx2PacketsFor(fileLength, maxPacketSize);
    if (packets > static_cast<uint64_t>(kKx2MaxPackets)) {
        const auto count = static_cast<unsigned long long>(packets);
        return Kx2Refusal{
            FormatText("ERROR: File needs %llu packets, more than %d; upload refused\n", count,
                       kKx2MaxPackets),
            FormatText("File needs more than %d packets", kKx2MaxPackets),
            FormatText("It needs %llu packets of %d bytes (%llu bytes); a KX2 unit takes at most "
                       "%d.",
                       count, maxPacketSize, static_cast<unsigned long long>(fileLength),
                       kKx2MaxPackets)};
    }
    return std::nullopt;
}

}  // namespace quillon
