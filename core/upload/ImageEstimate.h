// The packets and seconds of one firmware image, counted as the run that sends it counts them: an
// HBD board by its announced packets, a KX2 image by frames of the configured "Max Packet Size"
// with the configured pause. Every view that shows an estimate before a run takes it from here,
// so it agrees with the figures the run reports.
#pragma once

#include <cstdint>

#include "protocol/Boards.h"
#include "settings/IniFile.h"

namespace quillon {

struct ImageEstimate {
    int64_t packets = 0;
    int32_t seconds = 0;
};

ImageEstimate EstimateImage(uint64_t fileLength, FileKind kind, bool kx2, const IniFile& ini,
                            int baudRate);

}  // namespace quillon
