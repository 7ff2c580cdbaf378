// A fixed table of fault plans run against the simulated HBD and KX2 units with the fake clock,
// over the in-process loopback line (every system) and over real pseudo-terminals (POSIX).
// fault_soak_tests runs every row once on every line; reliability_soak runs the table over and
// over. Every run must end as its row says, record exactly that in the history, leave the unit
// holding every board byte-exact when it completes, and leave no port or file descriptor open.
#pragma once

#include <string>
#include <vector>

#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#include "upload/UploadJob.h"

namespace quillon::test {

struct SoakPlan {
    std::string name;
    RunOutcome expected = RunOutcome::kCompleted;
    bool kx2 = false;
    sim::FaultPlan hbd = {};        // HBD rows: a COMM and a SPEECH file
    sim::Kx2Scenario kx2Unit = {};  // KX2 rows: one .kx file of a few packets
    int cancelAfterLines = 0;       // the user's abort once this many log lines were shown
    // The line drops once the unit has this many bytes. Loopback only: on a pty, where the unit
    // runs on a thread of its own, the user's abort may come before or after the drop.
    uint64_t hangupAfterBytes = 0;
};

const std::vector<SoakPlan>& SoakPlans();

enum class SoakLine {
    kLoopback,        // stepped: the unit answers on the fake clock, nothing waits in real time
    kPseudoTerminal,  // the POSIX serial backend on a pty, the unit on a thread of its own
};
const char* SoakLineName(SoakLine line);

struct SoakRun {
    SoakPlan plan;
    SoakLine line;
};
// Every plan on every line of this system it can run on.
std::vector<SoakRun> SoakRuns();

// What went wrong in one run of the plan; empty when it behaved.
std::vector<std::string> RunSoakPlan(const SoakPlan& plan, SoakLine line);

}  // namespace quillon::test
