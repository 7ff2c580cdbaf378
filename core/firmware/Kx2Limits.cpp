#include "firmware/Kx2Limits.h"

#include "platform/TextFormat.h"
#include "protocol/Kx2Frame.h"
#include "settings/SettingsKeys.h"

namespace quillon {

static_assert(settings::kMaxPacketSize.low == static_cast<int32_t>(kKx2Overhead) + 1 &&
              settings::kMaxPacketSize.high == static_cast<int32_t>(kKx2MaxFrame));

uint64_t Kx2PacketsFor(uint64_t fileLength, int32_t maxPacketSize) {
    // An unusable packet size is refused with its own message; no division by it here.
    const int32_t payload = maxPacketSize - static_cast<int32_t>(kKx2Overhead);
    return payload <= 0 ? 0 : (fileLength + static_cast<uint64_t>(payload) - 1) / payload;
}

std::optional<Kx2Refusal> CheckKx2Limits(uint64_t fileLength, const std::string& name,
                                         int32_t maxPacketSize, int32_t delayMs) {
    const auto& size = settings::kMaxPacketSize;
    const auto& delay = settings::kDelayBetweenPackets;
    if (maxPacketSize < size.low || maxPacketSize > size.high) {
        return Kx2Refusal{
            FormatText("ERROR: Max Packet Size %d is outside 11 to 4096; upload refused\n",
                       maxPacketSize),
            "Max Packet Size outside 11 to 4096",
            FormatText("The \"Max Packet Size\" setting is %d; it must be 11 to 4096.",
                       maxPacketSize)};
    }
    if (delayMs < delay.low || delayMs > delay.high) {
        return Kx2Refusal{
            FormatText("ERROR: Delay Between Packets %d is outside 0 to 65535; upload refused\n",
                       delayMs),
            "Delay Between Packets outside 0 to 65535",
            FormatText("The \"Delay Between Packets\" setting is %d; it must be 0 to 65535.",
                       delayMs)};
    }
    if (fileLength == 0) {
        return Kx2Refusal{FormatText("ERROR: File \"%s\" is empty; upload refused\n", name.c_str()),
                          "File is empty", "The file is empty."};
    }
    if (name.size() > kKx2MaxNameLength) {
        return Kx2Refusal{
            FormatText("ERROR: File name \"%s\" is longer than 49 characters; upload refused\n",
                       name.c_str()),
            "File name longer than 49 characters",
            FormatText("Its name has %llu characters; a KX2 unit takes at most 49.",
                       static_cast<unsigned long long>(name.size()))};
    }
    const uint64_t packets = Kx2PacketsFor(fileLength, maxPacketSize);
    if (packets > static_cast<uint64_t>(kKx2MaxPackets)) {
        const auto count = static_cast<unsigned long long>(packets);
        return Kx2Refusal{
            FormatText("ERROR: File needs %llu packets, more than 5000; upload refused\n", count),
            "File needs more than 5000 packets",
            FormatText("It needs %llu packets of %d bytes (%llu bytes); a KX2 unit takes at most "
                       "5000.",
                       count, maxPacketSize, static_cast<unsigned long long>(fileLength))};
    }
    return std::nullopt;
}

}  // namespace quillon
