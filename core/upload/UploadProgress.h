// The worker's counters and estimates, passed with most notifications. Seconds are estimates at
// the run's line rate (see protocol/PacketTimes.h) plus the pauses between boards.
#pragma once

#include <cstdint>
#include <string>

#include "firmware/FileKind.h"

namespace quillon {

struct UploadProgress {
    int32_t commPackets = 0;         // 1
    int32_t readerPackets = 0;       // 2
    int32_t speechPackets = 0;       // 3
    int32_t filesRemaining = 0;      // 4
    int32_t delayLength = 0;         // 5 seconds
    int32_t delayRemaining = 0;      // 6 seconds
    int32_t commEstimate = 0;        // 7 seconds
    int32_t readerEstimate = 0;      // 8 seconds
    int32_t speechEstimate = 0;      // 9 seconds
    int32_t commElapsed = 0;         // 10 seconds
    int32_t readerElapsed = 0;       // 11 seconds
    int32_t speechElapsed = 0;       // 12 seconds
    int32_t lastFileElapsed = 0;     // 13 seconds
    int32_t totalRemaining = 0;      // 14 seconds
    int32_t currentRemaining = 0;    // 15 seconds
    std::string currentPath;         // 16
    int32_t currentKind = 0;         // 17
    int32_t currentPackets = 0;      // 18
    int32_t currentPacketsSent = 0;  // 19
    int32_t secondsPerPacket = 0;    // 20
    std::string currentKindName;     // 21, at most 20 characters
    // KX2: packets sent again because the unit asked for them (not counted in 19).
    int32_t packetsResent = 0;
};

}  // namespace quillon
