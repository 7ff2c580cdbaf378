#include "app/EstimateText.h"

#include <algorithm>

#include "protocol/PacketTimes.h"
#include "serial/SerialPort.h"
#include "text/DurationText.h"

namespace quillon {

namespace {
constexpr const char* kEstimateIndent = "      ";
}  // namespace

int32_t EstimateSeconds(FileKind kind, int32_t blocks, int baudRate) {
    const int rate = SerialPort::LineRate(baudRate);
    return packet_times::Seconds(static_cast<uint64_t>(std::max(blocks, 0)),
                                 packet_times::HbdPacketMicros(kind, rate));
}

std::string FormatEstimate(int32_t seconds) {
    return kEstimateIndent + DurationText(seconds, DurationStyle::kEstimate);
}

}  // namespace quillon
