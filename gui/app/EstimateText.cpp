#include "app/EstimateText.h"

#include <cstdio>
#include <limits>

#include "firmware/FileKind.h"

namespace quillon {

namespace {
constexpr int32_t kSecondsPerMinute = 60;
constexpr int32_t kSecondsPerReaderBlock = 2;
}  // namespace

int32_t EstimateSeconds(int kind, int32_t blocks) {
    if (kind != kKindReader) {
        return blocks;
    }
    const int64_t seconds = static_cast<int64_t>(blocks) * kSecondsPerReaderBlock;
    return seconds > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                                                         : static_cast<int32_t>(seconds);
}

std::string FormatEstimate(int32_t seconds) {
    char text[64];
    if (seconds < kSecondsPerMinute) {
        std::snprintf(text, sizeof text, "      %d seconds", seconds);
    } else if (seconds % kSecondsPerMinute != 0) {
        std::snprintf(text, sizeof text, "      %d min %d sec", seconds / kSecondsPerMinute,
                      seconds % kSecondsPerMinute);
    } else {
        std::snprintf(text, sizeof text, "      %d minutes", seconds / kSecondsPerMinute);
    }
    return text;
}

}  // namespace quillon
