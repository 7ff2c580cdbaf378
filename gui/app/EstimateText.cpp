#include "app/EstimateText.h"

#include <cstdio>
#include <limits>

#include "firmware/FileKind.h"
#include "platform/DurationText.h"

namespace quillon {

namespace {
constexpr const char* kEstimateIndent = "      ";
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
    return kEstimateIndent + DurationText(seconds, DurationStyle::kEstimate);
}

}  // namespace quillon
