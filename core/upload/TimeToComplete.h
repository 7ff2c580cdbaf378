// The times to complete the views show while a board is sent: the worker's estimates until a few
// packets have gone, then the rate this board really has, for its packets still to go, plus the
// estimate of what comes after it. A line faster or slower than the estimate (a simulated unit,
// a unit busy writing flash) so counts down truthfully, and every figure of a view agrees with
// the others. Nothing here fails.
#pragma once

#include <cstdint>

#include "upload/UploadProgress.h"

namespace quillon {

class TimeToComplete {
  public:
    // Packets of a board that must have gone before their rate is trusted.
    static constexpr int kPacketsMeasured = 3;

    struct Seconds {
        int32_t board;  // the board being sent
        int32_t run;    // the whole run
    };
    // Takes in a progress record at tick nowMs.
    Seconds Note(const UploadProgress& p, uint32_t nowMs);

  private:
    FileKind kind_{};
    int sentAtStart_ = 0;
    uint32_t startMs_ = 0;
};

}  // namespace quillon
