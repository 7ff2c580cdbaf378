// Input that was on its way before a run spoke first: answers of an interrupted run that the unit
// still sends. Taken off the line before the first request, so that they cannot pass for
// answers to this run.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Clock.h"
#include "serial/SerialPort.h"

namespace quillon {

// Input is dropped until the line has been quiet this long...
inline constexpr uint32_t kStaleQuietMs = 200;
// ... or this long has passed (a unit that floods the line gets its request anyway).
inline constexpr uint32_t kStaleDrainLimitMs = 2000;
inline constexpr int kStaleReadBlock = 256;  // bytes taken off the line in one read

// Reads and drops what is waiting or arrives until the line is quiet; the bytes go to *dropped.
// False when a read said the line is gone.
bool DropStaleInput(SerialPort& port, Clock& clock, std::vector<uint8_t>* dropped);

}  // namespace quillon
