#include "protocol/PacketTimes.h"

#include <algorithm>
#include <limits>

#include "protocol/HbdControlPacket.h"

namespace quillon::packet_times {

namespace {

constexpr int64_t kMicrosPerSecond = 1'000'000;
constexpr int64_t kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
constexpr int64_t kKx2FrameMicros = 1 * kMicrosPerSecond;
// One HBD packet exchange: the prepare packet and the data packet out, two answers back.
constexpr int64_t kHbdExchangeBytes = static_cast<int64_t>(
    hbd::kControlPacketSize + hbd::kDataPacketSize + 2 * hbd::kControlPacketSize);

int64_t WireMicros(int64_t bytes, int baudRate) {
    const int64_t rate = baudRate > 0 ? baudRate : kReferenceBaud;
    return bytes * kBitsPerByte * kMicrosPerSecond / rate;
}

// The time measured at the reference rate, with its wire part moved to `baudRate`. A frame too
// large to cross the line in the reference time at all (a KX2 "Max Packet Size" far above its
// default) leaves the unit no time of its own rather than a negative one.
int64_t AtRate(int64_t referenceMicros, int64_t wireBytes, int baudRate) {
    const int64_t unitMicros =
        std::max<int64_t>(referenceMicros - WireMicros(wireBytes, kReferenceBaud), 0);
    return unitMicros + WireMicros(wireBytes, baudRate);
}

}  // namespace

int64_t HbdPacketMicros(FileKind kind, int baudRate) {
    const BoardSpec* board = FindBoard(kind);
    const int64_t reference = (board != nullptr ? board : &kBoards[0])->secondsPerPacket;
    return AtRate(reference * kMicrosPerSecond, kHbdExchangeBytes, baudRate);
}

int64_t Kx2PacketMicros(int32_t maxPacketSize, int32_t delayMs, int baudRate) {
    const int64_t frame = std::max<int32_t>(maxPacketSize, 0);
    const int64_t pause = static_cast<int64_t>(std::max<int32_t>(delayMs, 0)) * 1000;
    return AtRate(kKx2FrameMicros, frame, baudRate) + pause;
}

int32_t Seconds(uint64_t packets, int64_t micros) {
    const long double total =
        static_cast<long double>(packets) * static_cast<long double>(std::max<int64_t>(micros, 0));
    const long double seconds = total / kMicrosPerSecond;
    constexpr auto kMax = std::numeric_limits<int32_t>::max();
    return seconds >= kMax ? kMax : static_cast<int32_t>(seconds);
}

}  // namespace quillon::packet_times
