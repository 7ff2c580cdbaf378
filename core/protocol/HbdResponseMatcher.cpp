#include "protocol/HbdResponseMatcher.h"

#include "protocol/HbdControlPacket.h"

namespace quillon {

std::optional<uint8_t> HbdResponseMatcher::Feed(uint8_t byte) {
    if (state_ == static_cast<int>(hbd::kHeader.size())) {
        state_ = 0;
        return byte;
    }
    state_ = byte == hbd::kHeader[static_cast<size_t>(state_)] ? state_ + 1 : 0;
    return std::nullopt;
}

}  // namespace quillon
