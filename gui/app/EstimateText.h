// The main window's estimate to complete as text, always led by six spaces. The seconds come from
// the core's image estimate, the figure the upload itself reports.
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

// "      59 seconds", "      1 min 1 sec", "      16 minutes".
std::string FormatEstimate(int32_t seconds);

}  // namespace quillon
