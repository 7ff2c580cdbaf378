// What a run has done and has still to do, passed with most events: per board its packets and
// estimate (and, once loaded, the time it took), and the board being sent now. Seconds are
// estimates at the run's line rate (see protocol/PacketTimes.h) plus the pauses between boards.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "protocol/Boards.h"

namespace quillon {

struct BoardCounts {
    int32_t packets = 0;   // as the unit counts them
    int32_t estimate = 0;  // seconds
    int32_t elapsed = 0;   // seconds it took, once loaded
};

struct UploadProgress {
    std::array<BoardCounts, kBoards.size()> boards{};  // in the order of kBoards
    int32_t filesRemaining = 0;
    int32_t delayLength = 0;     // seconds of the pause going on
    int32_t delayRemaining = 0;  // seconds of it left
    int32_t lastFileElapsed = 0;
    int32_t totalRemaining = 0;    // seconds, pauses included
    int32_t currentRemaining = 0;  // seconds of the board being sent
    std::string currentPath;
    FileKind currentKind{};
    int32_t currentPackets = 0;
    int32_t currentPacketsSent = 0;  // every transmission, retries included
    int32_t secondsPerPacket = 0;
    std::string currentKindName;  // at most 20 characters
    // KX2: packets sent again because the unit asked for them (not counted in the above).
    int32_t packetsResent = 0;

    BoardCounts& Board(FileKind kind) { return boards[BoardIndex(kind)]; }
    const BoardCounts& Board(FileKind kind) const { return boards[BoardIndex(kind)]; }
};

}  // namespace quillon
