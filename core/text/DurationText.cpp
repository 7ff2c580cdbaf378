#include "text/DurationText.h"

namespace quillon {

namespace {
constexpr int32_t kSecondsPerMinute = 60;
}

std::string DurationText(int32_t seconds, DurationStyle style) {
    if (seconds < kSecondsPerMinute) {
        return std::to_string(seconds) + " seconds";
    }
    const std::string minutes = std::to_string(seconds / kSecondsPerMinute);
    if (seconds % kSecondsPerMinute == 0) {
        return minutes + " minutes";
    }
    const char* gap = style == DurationStyle::kRecord ? "  " : " ";
    return minutes + " min" + gap + std::to_string(seconds % kSecondsPerMinute) + " sec";
}

}  // namespace quillon
