// The name of a weekday in the user's language, for log headers ("Montag"). Falls back to the
// English name when the system has none; empty for a weekday outside 0 (Sunday) .. 6.
#pragma once

#include <string>

namespace quillon {

std::string WeekdayNameInUserLocale(int weekday);

}  // namespace quillon
