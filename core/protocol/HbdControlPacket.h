// The bytes of the HBD wire protocol, shared by the uploader and the simulated unit: control
// packets (05 05 01 command), the codes of the unit's responses, and the data packet layout
// (1024 payload bytes, then the CRC-16 high byte first). Building a packet cannot fail.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillon::hbd {

// Every control packet and every response starts with these three bytes.
inline constexpr uint8_t kHeaderFirst = 0x05;
inline constexpr uint8_t kHeaderSecond = 0x05;
inline constexpr uint8_t kHeaderThird = 0x01;
inline constexpr std::array<uint8_t, 3> kHeader{kHeaderFirst, kHeaderSecond, kHeaderThird};
inline constexpr size_t kControlPacketSize = 4;

// Commands, host to unit (a board's begin command is in the board table, protocol/Boards.h).
inline constexpr uint8_t kCmdPrepare = 0x32;
inline constexpr uint8_t kCmdEndOfTransfer = 0x03;

// Response codes, unit to host (ASCII digits; a board's ready reply is in the board table).
inline constexpr uint8_t kReplyReadyNext = 0x32;
inline constexpr uint8_t kReplyGoodPacket = 0x33;
inline constexpr uint8_t kReplyBadPacket = 0x34;
inline constexpr uint8_t kReplyEndOfBlock = 0x35;
inline constexpr uint8_t kReplyFlashWritten = 0x36;
inline constexpr uint8_t kReplyWriteFailed = 0x37;
inline constexpr uint8_t kReplyAbortTransfer = 0x38;
inline constexpr uint8_t kFirstDigit = 0x30;
inline constexpr uint8_t kLastDigit = 0x39;

// Data packets.
inline constexpr size_t kPayloadSize = 1024;
inline constexpr size_t kCrcSize = 2;
inline constexpr size_t kDataPacketSize = kPayloadSize + kCrcSize;
inline constexpr uint8_t kPadByte = 0xFF;

using ControlPacket = std::array<uint8_t, kControlPacketSize>;

constexpr ControlPacket MakeControlPacket(uint8_t command) {
    return {kHeaderFirst, kHeaderSecond, kHeaderThird, command};
}

constexpr std::array<uint8_t, kCrcSize> CrcWireBytes(uint16_t crc) {
    return {static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc & 0xFF)};
}

constexpr bool IsDigitCode(int code) {
    return code >= kFirstDigit && code <= kLastDigit;
}

}  // namespace quillon::hbd
