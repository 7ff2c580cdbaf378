// Randomized, seeded fault schedules run against the simulated HBD and KX2 units over real
// pseudo-terminals with the fake clock. Each run checks that the upload ended within its bound
// and either delivered every board byte-exact and recorded it, or reported the failure with the
// right notification and history entry; and that it left no descriptor or thread behind. A
// seed always gives the same schedule, so a failing one can be run again alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "upload/UploadJob.h"

namespace quillon::test {

enum class SoakProtocol { kHbd, kKx2 };

struct SoakRun {
    SoakProtocol protocol = SoakProtocol::kHbd;
    uint32_t seed = 0;
    std::string schedule;  // the faults drawn, for the report
    RunOutcome outcome = RunOutcome::kNotFinished;
    int boards = 0;     // boards selected
    int delivered = 0;  // boards the unit received byte-exact
    // Boards reported done whose end of transfer (which the unit never acknowledges) was lost to
    // the fault: every data packet was acknowledged, the unit just never closed the board.
    int endUnconfirmed = 0;
    uint64_t virtualMs = 0;               // fake-clock time the run took
    uint64_t boundMs = 0;                 // ... and what it may take at most
    long rssGrowthKb = 0;                 // resident memory after the run minus before it
    bool flood = false;                   // the unit sent bytes without end
    std::vector<std::string> violations;  // empty: the run behaved
    std::string history;                  // History.txt as the run left it
    std::vector<std::string> lastLines;   // the last log lines shown
};

// One run of the schedule drawn from seed.
SoakRun RunHbdSchedule(uint32_t seed);
SoakRun RunKx2Schedule(uint32_t seed);

// "HBD seed 17 [silent 3, cancel after 40 lines]: completed, 2/2 boards" and its violations.
std::string Describe(const SoakRun& run);

}  // namespace quillon::test
