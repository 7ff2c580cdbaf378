// CRC-16/XMODEM (polynomial 0x1021, initial value 0, no reflection, no final exclusive-or), the
// checksum of both unit protocols. Which byte goes first on the wire is each protocol's business.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

uint16_t Crc16(const uint8_t* data, size_t count, uint16_t crc = 0);

}  // namespace quillon
