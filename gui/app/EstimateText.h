// The main window's estimate to complete: seconds per slot from the block count at the line's
// rate, and the text shown for them, always led by six spaces.
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

// Seconds for blocks of the given file kind (1 COMM, 2 READER, 3 SPEECH) at that baud rate; held
// at INT32_MAX.
int32_t EstimateSeconds(int kind, int32_t blocks, int baudRate);
// "      59 seconds", "      1 min 1 sec", "      16 minutes".
std::string FormatEstimate(int32_t seconds);

}  // namespace quillon
