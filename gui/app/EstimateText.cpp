#include "app/EstimateText.h"

#include "text/DurationText.h"

namespace quillon {

namespace {
constexpr const char* kEstimateIndent = "      ";
}  // namespace

std::string FormatEstimate(int32_t seconds) {
    return kEstimateIndent + DurationText(seconds, DurationStyle::kEstimate);
}

}  // namespace quillon
