#include "tests/reliability/FaultSoak.h"

#include <chrono>
#include <thread>

#include "protocol/Boards.h"
#include "settings/IniFile.h"
#include "sim/HangupAfterBytes.h"
#include "sim/LoopbackSerialBackend.h"
#include "tests/reliability/RunCheck.h"
#include "tests/support/FakeClock.h"
#include "upload/UploadWorkers.h"
#ifndef _WIN32
#include "serial/PosixSerialBackend.h"
#include "sim/UnitRunner.h"
#include "tests/support/TestPty.h"
#endif

namespace quillon::test {

namespace {

namespace ev = test::ev;

using O = RunOutcome;
using EndOfPass = sim::Kx2Scenario::EndOfPass;

// The unit reads a board's end of transfer after the host has moved on (or closed the port).
std::vector<sim::ReceivedBoard> BoardsWhenThereAre(const sim::HbdUnit& unit, size_t count) {
    for (int i = 0; i < 3000 && unit.Boards().size() < count; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return unit.Boards();
}

}  // namespace

// GCC asks for every member without a default in a designated initializer (Kx2Scenario's lost
// packets); the members left out are value-initialized, which is what the rows mean.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
const std::vector<SoakPlan>& SoakPlans() {
    static const std::vector<SoakPlan> plans = {
        {.name = "hbd clean"},
        {.name = "hbd silent exchange", .hbd = {.silentExchange = 2}},
        {.name = "hbd garbled answer", .hbd = {.unknownCodeExchange = 3}},
        {.name = "hbd half answer", .hbd = {.partialExchange = 4}},
        {.name = "hbd noise and latency", .hbd = {.noiseBytes = 20, .latencyMs = 10}},
        {.name = "hbd bad packet once",
         .hbd = {.badReplyPacket = 2, .badReplyCode = hbd::kReplyBadPacket, .badReplyTimes = 1}},
        {.name = "hbd flash answer lost", .hbd = {.flashSilentPacket = 4}},
        {.name = "hbd write failed",
         .expected = O::kFailed,
         .hbd = {.badReplyPacket = 1, .badReplyCode = hbd::kReplyWriteFailed, .badReplyTimes = 5}},
        {.name = "hbd line dropped", .expected = O::kFailed, .hbd = {.hangupAfterPacket = 1}},
        {.name = "hbd flood", .expected = O::kFailed, .hbd = {.flood = true}},
        {.name = "hbd cancel", .expected = O::kAborted, .cancelAfterLines = 10},
        // The abort comes once the line is lost: no wait sees it, yet the board's entry must.
        {.name = "hbd cancel after the line is lost",
         .expected = O::kAborted,
         .cancelAfterLines = 13,
         .hangupAfterBytes = 12},
        {.name = "kx2 clean", .kx2 = true},
        {.name = "kx2 packets lost", .kx2 = true, .kx2Unit = {.losePackets = {2, 4}}},
        {.name = "kx2 odd answers",
         .kx2 = true,
         .kx2Unit = {.unknownAnswers = 1, .floodBeforeBegin = 300, .answerDelayMs = 10}},
        {.name = "kx2 half frame first", .kx2 = true, .kx2Unit = {.incompleteFrameFirst = true}},
        {.name = "kx2 unit cancels",
         .expected = O::kFailed,
         .kx2 = true,
         .kx2Unit = {.cancelAfterPacket = 2}},
        {.name = "kx2 cancel at end of pass",
         .expected = O::kFailed,
         .kx2 = true,
         .kx2Unit = {.endOfPass = EndOfPass::kCancel}},
        {.name = "kx2 start never answered",
         .expected = O::kFailed,
         .kx2 = true,
         .kx2Unit = {.silentStartRequests = 3}},
        {.name = "kx2 flood",
         .expected = O::kFailed,
         .kx2 = true,
         .kx2Unit = {.silentStartRequests = 3, .floodForever = true}},
        {.name = "kx2 silent at the end",
         .expected = O::kNoFinalAnswer,
         .kx2 = true,
         .kx2Unit = {.endOfPass = EndOfPass::kSilent, .silentOnStatus = true}},
        // The user's abort ends a KX2 run while it waits for the unit to take the start request.
        {.name = "kx2 cancel",
         .expected = O::kAborted,
         .kx2 = true,
         .kx2Unit = {.silentStartRequests = 3},
         .cancelAfterLines = 2},
    };
    return plans;
}
#pragma GCC diagnostic pop

const char* SoakLineName(SoakLine line) {
    return line == SoakLine::kLoopback ? "loopback" : "pty";
}

std::vector<SoakRun> SoakRuns() {
    std::vector<SoakRun> runs;
    for (const SoakPlan& plan : SoakPlans()) {
        runs.push_back({plan, SoakLine::kLoopback});
#ifndef _WIN32
        if (plan.hangupAfterBytes == 0) {
            runs.push_back({plan, SoakLine::kPseudoTerminal});
        }
#endif
    }
    return runs;
}

std::vector<std::string> RunSoakPlan(const SoakPlan& plan, SoakLine line) {
    std::vector<std::string> wrong;
    TempDir dir;
    ProgramState state;
    state.appDir = dir.Dir();
    const bool loopback = line == SoakLine::kLoopback;
    // On a pty a 4 s answer wait lasts 800 ms of real time: room for a unit's thread on a
    // loaded machine, where 200 ms once made an answer late.
    FakeClock clock(FakeClock::DefaultStart(), loopback ? 0 : 5);
    RecordingSink sink;
    UploadJob job;
    job.events = &sink;
    const int descriptorsBefore = OpenDescriptors();
    {
        dir.Write("Quillon.ini",
                  "[HBD Params]\nRetransmit Control Packets=4\nRetransmit Data Packets=3\n"
                  "Wait for HBD Response=4\n[KX2]\nMax Packet Size=256\nDelay Between Packets=5\n"
                  "[Logs]\nLog Messages=1\nLog Serial Data=1\n");
        FinishedRun run{.expected = plan.expected, .job = &job, .sink = &sink, .kx2 = plan.kx2};
        std::string error;
        if (plan.kx2) {
            job.commImage = ReadFirmwareImage(dir.Write("FIRMWARE.kx", run.kx), &error);
            job.baudRate = 115200;
        } else {
            job.commImage = ReadFirmwareImage(dir.Write("c.bin", run.files[0].second), &error);
            job.speechImage = ReadFirmwareImage(dir.Write("s.bin", run.files[1].second), &error);
        }
        sim::HbdUnit hbdUnit(sim::HbdUnit::kDefaultBlockPackets, plan.hbd);
        sim::Kx2Unit kx2Unit(plan.kx2Unit);
        sim::SimulatedUnit& unit = plan.kx2 ? static_cast<sim::SimulatedUnit&>(kx2Unit) : hbdUnit;
        int lines = 0;
        size_t filesDone = 0;
        sink.hook = [&](const test::Recorded& n) {
            if (n.code == ev::kLogLine && ++lines == plan.cancelAfterLines) {
                job.abortRequest = true;
            }
            // The pause after a file is what lets a unit take the end of transfer before the
            // next file's clearing call; with the fake clock the run gives the unit that time.
            if (n.code == ev::kFileDone && !plan.kx2) {
                BoardsWhenThereAre(hbdUnit, ++filesDone);
            }
        };
        auto upload = [&](SerialBackend& serial) {
            WorkerContext context{serial, clock, state};
            (plan.kx2 ? RunKx2UploadWorker : RunHbdUploadWorker)(job, context);
            if (!plan.kx2) {
                run.boards = BoardsWhenThereAre(hbdUnit, sink.Count(ev::kFileDone));
            }
        };
        if (loopback) {
            sim::HangupAfterBytes hangup(unit, plan.hangupAfterBytes);
            sim::LoopbackSerialBackend serial(hangup, &clock);
            upload(serial);
            wrong.insert(wrong.end(), serial.IsOpen() ? 1 : 0, "the port was left open");
        } else {
#ifndef _WIN32
            sim::UnitRunner runner(unit, test::OpenPty());
            runner.Start();
            job.portDevice = runner.DevicePath();
            PosixSerialBackend serial;
            upload(serial);
            runner.Stop();
#endif
        }
        run.history = dir.Read("History.txt");
        run.report = kx2Unit.GetReport();
        const std::vector<std::string> broken = CheckRun(run);
        wrong.insert(wrong.end(), broken.begin(), broken.end());
    }
    wrong.insert(wrong.end(), OpenDescriptors() == descriptorsBefore ? 0 : 1,
                 "a file descriptor was left open");
    return wrong;
}

}  // namespace quillon::test
