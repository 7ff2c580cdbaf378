// How long a packet takes at a given line rate, for the estimates every view shows. At 19200 bps
// an HBD COMM or SPEECH packet takes 1 second and a READER packet 2, and a KX2 data frame 1 second
// plus the pause after it. Of that, only the time the bytes spend on the wire (10 bits a byte of
// what one exchange sends and receives) depends on the rate; the rest is the unit's own time
// (checking, writing flash), the same at every rate.
#pragma once

#include <cstdint>

#include "protocol/Boards.h"

namespace quillon::packet_times {

// The rate at which the times above were measured.
inline constexpr int kReferenceBaud = 19200;

// Microseconds one HBD data packet of that board takes (the board table's seconds at the
// reference rate): the prepare exchange and the packet with its acknowledgement. A rate of 0 or
// less counts as the reference; a kind that names no board as COMM.
int64_t HbdPacketMicros(FileKind kind, int baudRate);

// Microseconds one KX2 data frame of maxPacketSize bytes takes, the pause after it included.
int64_t Kx2PacketMicros(int32_t maxPacketSize, int32_t delayMs, int baudRate);

// Whole seconds (rounded down) that `packets` of that many microseconds take, held at INT32_MAX.
int32_t Seconds(uint64_t packets, int64_t micros);

}  // namespace quillon::packet_times
