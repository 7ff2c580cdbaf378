// The main window's estimate to complete: seconds per slot from the block count at the line's
// rate, and the text shown for them, always led by six spaces.
#pragma once

#include <cstdint>
#include <string>

#include "protocol/Boards.h"

namespace quillon {

// Seconds for blocks of the given board at that baud rate; held
// at INT32_MAX.
int32_t EstimateSeconds(FileKind kind, int32_t blocks, int baudRate);
// "      59 seconds", "      1 min 1 sec", "      16 minutes".
std::string FormatEstimate(int32_t seconds);

}  // namespace quillon
