// How long something takes, as the program writes it: "45 seconds", "4 min  21 sec",
// "2 minutes". The history and the logs put two blanks after "min"; the main window's estimates
// one.
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

enum class DurationStyle { kRecord, kEstimate };

std::string DurationText(int32_t seconds, DurationStyle style = DurationStyle::kRecord);

}  // namespace quillon
