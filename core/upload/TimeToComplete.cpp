#include "upload/TimeToComplete.h"

#include <algorithm>

namespace quillon {

TimeToComplete::Seconds TimeToComplete::Note(const UploadProgress& p, uint32_t nowMs) {
    if (p.currentKind != kind_ || p.currentPacketsSent < sentAtStart_) {
        // A new board: its rate is measured from its first packet on.
        kind_ = p.currentKind;
        sentAtStart_ = p.currentPacketsSent;
        startMs_ = nowMs;
    }
    const int64_t measured = p.currentPacketsSent - sentAtStart_;
    if (measured < kPacketsMeasured) {
        return {std::max(p.currentRemaining, 0), std::max(p.totalRemaining, 0)};
    }
    const int64_t left = std::max(p.currentPackets - p.currentPacketsSent, 0);
    const int64_t boardMs = static_cast<int64_t>(nowMs - startMs_) * left / measured;
    const int64_t afterBoard = std::max(p.totalRemaining - p.currentRemaining, 0);
    const auto board = static_cast<int32_t>((boardMs + 999) / 1000);
    return {board, static_cast<int32_t>(afterBoard + board)};
}

}  // namespace quillon
