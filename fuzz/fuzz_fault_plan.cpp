// A whole HBD or KX2 run under a fault plan the input chooses: what the simulated unit loses,
// delays, garbles or repeats, its cancels and error codes, a line dropped after some byte, a
// flood, a frame that never ends, the user's abort, the firmware file changed on disk during the
// run, stale bytes on the line before the run, a second run right after an interrupted one. The
// real worker runs over the stepped in-process line on the fake clock, so nothing waits in real
// time. Every run must keep the fault soak's rules; a run that breaks one prints the plan in
// words (to be added to the soak's table) and aborts.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/FuzzInput.h"
#include "protocol/HbdControlPacket.h"
#include "sim/HangupAfterBytes.h"
#include "sim/LoopbackSerialBackend.h"
#include "tests/reliability/FaultSoak.h"
#include "tests/reliability/RunCheck.h"
#include "upload/UploadWorkers.h"

namespace {

using namespace quillon;
using namespace quillon::test;
using O = RunOutcome;

struct Plan {
    SoakPlan soak;  // the unit's faults, the line's drop and the user's abort, as a soak row
    std::vector<uint8_t> stale;    // sent by the unit before anything else
    int changeFileAfterLines = 0;  // the firmware files rewritten on disk at this log line
    bool secondRun = false;        // once more at once, when the first run did not complete
};

// Sends the stale bytes at the unit's first moment, then is the unit it wraps.
class StaleBytesFirst final : public sim::SimulatedUnit {
  public:
    StaleBytesFirst(sim::SimulatedUnit& inner, std::vector<uint8_t> stale)
        : inner_(inner), stale_(std::move(stale)) {}
    void OnReceived(const uint8_t* data, size_t count, sim::UnitLine& line) override {
        SendStale(line);
        inner_.OnReceived(data, count, line);
    }
    void OnIdle(sim::UnitLine& line) override {
        SendStale(line);
        inner_.OnIdle(line);
    }
    bool ActsWhenIdle() const override { return !stale_.empty() || inner_.ActsWhenIdle(); }

  private:
    void SendStale(sim::UnitLine& line) {
        if (!stale_.empty()) {
            line.Send(stale_);
            stale_.clear();
        }
    }
    sim::SimulatedUnit& inner_;
    std::vector<uint8_t> stale_;
};

Plan Decode(fuzz::FuzzInput& in) {
    Plan plan;
    const uint8_t flags = in.Byte();
    SoakPlan& s = plan.soak;
    s.kx2 = (flags & 1) != 0;
    plan.secondRun = (flags & 2) != 0;
    if (s.kx2) {
        sim::Kx2Scenario& k = s.kx2Unit;
        k.floodForever = (flags & 4) != 0;
        k.incompleteFrameFirst = (flags & 8) != 0;
        k.silentOnStatus = (flags & 16) != 0;
        k.endOfPass = static_cast<sim::Kx2Scenario::EndOfPass>(in.Byte() % 3);
        for (int i = in.Byte() % 4; i > 0; --i) {
            k.losePackets.insert(in.Byte() % 8);
        }
        k.cancelAfterPacket = in.Byte() % 8;
        k.silentStartRequests = in.Byte() % 4;
        k.unknownAnswers = in.Byte() % 3;
        k.unknownType = in.Byte();
        k.floodBeforeBegin = in.Byte() * size_t{4};
        k.answerDelayMs = in.Byte() % 4 * 100u;
        k.checkTimeMs = in.Byte() * 10u;
        k.repeatAnswer = in.Byte() % 8;
    } else {
        sim::FaultPlan& h = s.hbd;
        h.flood = (flags & 4) != 0;
        h.silentExchange = in.Byte() % 32;
        h.unknownCodeExchange = in.Byte() % 32;
        h.partialExchange = in.Byte() % 32;
        h.badReplyPacket = in.Byte() % 6;
        // Any digit but "good packet": a unit that says good and keeps nothing lies in a way no
        // host can see.
        h.badReplyCode = static_cast<uint8_t>('0' + in.Byte() % 10);
        if (h.badReplyCode == hbd::kReplyGoodPacket) {
            h.badReplyCode = hbd::kReplyBadPacket;
        }
        h.badReplyTimes = in.Byte() % 6;
        h.flashSilentPacket = in.Byte() % 6;
        h.hangupAfterPacket = in.Byte() % 6;
        h.noiseBytes = in.Byte() % 64;
        h.latencyMs = in.Byte() % 4 * 50u;
        h.repeatExchange = in.Byte() % 32;
        h.lateExchange = in.Byte() % 32;
        h.lateMs = in.Byte() * 50u;
    }
    s.cancelAfterLines = in.Byte();
    plan.soak.hangupAfterBytes = in.Byte() * uint64_t{256} + in.Byte();
    plan.changeFileAfterLines = in.Byte();
    plan.stale = in.Chunk();
    return plan;
}

std::string Words(const Plan& plan) {
    std::string text;
    auto add = [&text](bool when, const std::string& what) {
        if (when) {
            text += "  " + what + "\n";
        }
    };
    auto n = [](auto value) { return std::to_string(value); };
    const SoakPlan& s = plan.soak;
    if (s.kx2) {
        const sim::Kx2Scenario& k = s.kx2Unit;
        text += "KX2 unit, one .kx file of 6 packets:\n";
        add(k.endOfPass == sim::Kx2Scenario::EndOfPass::kCancel, "cancels at the end of a pass");
        add(k.endOfPass == sim::Kx2Scenario::EndOfPass::kSilent, "says nothing at end of pass");
        for (int lost : k.losePackets) {
            add(true, "loses packet " + n(lost) + " the first time");
        }
        add(k.cancelAfterPacket != 0, "cancels when packet " + n(k.cancelAfterPacket) + " comes");
        add(k.silentStartRequests != 0, "ignores " + n(k.silentStartRequests) + " start requests");
        add(k.unknownAnswers != 0,
            "answers " + n(k.unknownAnswers) + " start requests with type " + n(k.unknownType));
        add(k.incompleteFrameFirst, "answers the first start request with a frame that never ends");
        add(k.floodBeforeBegin != 0, n(k.floodBeforeBegin) + " noise bytes before Begin Upload");
        add(k.floodForever, "floods the line with noise all the time");
        add(k.silentOnStatus, "never answers status requests");
        add(k.answerDelayMs != 0, "answers " + n(k.answerDelayMs) + " ms late");
        add(true, "takes " + n(k.checkTimeMs) + " ms to check the image at the end of a pass");
        add(k.repeatAnswer != 0, "sends its answer number " + n(k.repeatAnswer) + " twice");
    } else {
        const sim::FaultPlan& h = s.hbd;
        text += "HBD unit, a COMM file of 4 packets and a SPEECH file of 2:\n";
        add(h.silentExchange != 0, "no answer to exchange " + n(h.silentExchange));
        add(h.unknownCodeExchange != 0, "a non-digit code to exchange " + n(h.unknownCodeExchange));
        add(h.partialExchange != 0, "half an answer to exchange " + n(h.partialExchange));
        add(h.badReplyPacket != 0 && h.badReplyTimes != 0,
            "code " + std::string(1, static_cast<char>(h.badReplyCode)) + " to data packet " +
                n(h.badReplyPacket) + ", " + n(h.badReplyTimes) + " times");
        add(h.flashSilentPacket != 0, "no flash-written code for packet " + n(h.flashSilentPacket));
        add(h.hangupAfterPacket != 0, "drops the line after packet " + n(h.hangupAfterPacket));
        add(h.noiseBytes != 0, n(h.noiseBytes) + " noise bytes before every answer");
        add(h.latencyMs != 0, "answers " + n(h.latencyMs) + " ms late");
        add(h.flood, "floods the line with noise all the time");
        add(h.repeatExchange != 0, "answers exchange " + n(h.repeatExchange) + " twice");
        add(h.lateExchange != 0, "answers exchange " + n(h.lateExchange) + " " + n(h.lateMs) +
                                     " ms later than the others");
    }
    add(s.cancelAfterLines != 0, "the user aborts at log line " + n(s.cancelAfterLines));
    add(plan.soak.hangupAfterBytes != 0,
        "the line drops once the unit got " + n(plan.soak.hangupAfterBytes) + " bytes");
    add(plan.changeFileAfterLines != 0,
        "the files change on disk at log line " + n(plan.changeFileAfterLines));
    add(!plan.stale.empty(), n(plan.stale.size()) + " stale bytes on the line before the run");
    add(plan.secondRun, "a second run at once when the first did not complete");
    return text;
}

// Only the bytes on the line and the files on disk are wrong: the run must complete.
bool OnlyHarmless(const Plan& plan) {
    const SoakPlan& s = plan.soak;
    const sim::Kx2Scenario& k = s.kx2Unit;
    const sim::FaultPlan& h = s.hbd;
    const bool unitFine =
        s.kx2 ? k.endOfPass == sim::Kx2Scenario::EndOfPass::kNormal && k.losePackets.empty() &&
                    k.cancelAfterPacket == 0 && k.silentStartRequests == 0 &&
                    k.unknownAnswers == 0 && !k.incompleteFrameFirst && k.floodBeforeBegin == 0 &&
                    !k.floodForever && !k.silentOnStatus && k.answerDelayMs == 0 &&
                    k.checkTimeMs == 250 && k.repeatAnswer == 0
              : h.silentExchange == 0 && h.unknownCodeExchange == 0 && h.partialExchange == 0 &&
                    (h.badReplyPacket == 0 || h.badReplyTimes == 0) && h.flashSilentPacket == 0 &&
                    h.hangupAfterPacket == 0 && h.noiseBytes == 0 && h.latencyMs == 0 && !h.flood &&
                    h.repeatExchange == 0 && (h.lateExchange == 0 || h.lateMs == 0);
    return unitFine && plan.soak.hangupAfterBytes == 0;
}

const std::string& Dir() {
    static const std::string dir = fuzz::ScratchDir() + "app/";
    static const bool made = [] {
        std::filesystem::create_directories(dir);
        return fuzz::TryWriteFile(dir + "Quillon.ini", [] {
            const std::string ini =
                "[HBD Params]\nRetransmit Control Packets=4\nRetransmit Data Packets=3\n"
                "Wait for HBD Response=4\n[KX2]\nMax Packet Size=256\nDelay Between Packets=5\n"
                "[Logs]\nLog Messages=0\nLog Serial Data=0\n";
            return std::vector<uint8_t>(ini.begin(), ini.end());
        }());
    }();
    QUILLON_FUZZ_CHECK(made);
    return dir;
}

std::string ReadText(const std::string& path) {
    std::string text;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;) {
            text.append(buffer, got);
        }
        std::fclose(f);
    }
    return text;
}

void Write(const std::string& path, const std::string& bytes) {
    fuzz::WriteFile(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

// One run of the worker on the line; what the check needs of it.
std::vector<std::string> RunOnce(const Plan& plan, bool abortAllowed, FakeClock& clock,
                                 sim::LoopbackSerialBackend& line, sim::HbdUnit& hbd,
                                 sim::Kx2Unit& kx2, RunOutcome* ended) {
    const SoakPlan& s = plan.soak;
    const std::string& dir = Dir();
    std::remove((dir + "History.txt").c_str());
    FinishedRun run{.job = nullptr, .sink = nullptr, .kx2 = s.kx2};
    ProgramState state;
    state.appDir = dir;
    RecordingSink sink;
    UploadJob job;
    job.events = &sink;
    std::string error;
    if (s.kx2) {
        Write(dir + "FIRMWARE.kx", run.kx);
        job.commImage = ReadFirmwareImage(dir + "FIRMWARE.kx", &error);
        job.baudRate = 115200;
    } else {
        Write(dir + "c.bin", run.files[0].second);
        Write(dir + "s.bin", run.files[1].second);
        job.commImage = ReadFirmwareImage(dir + "c.bin", &error);
        job.speechImage = ReadFirmwareImage(dir + "s.bin", &error);
    }
    QUILLON_FUZZ_CHECK(job.commImage != nullptr);
    const size_t boardsBefore = hbd.Boards().size();
    int lines = 0;
    sink.hook = [&](const Recorded& event) {
        if (event.code != ev::kLogLine) {
            return;
        }
        ++lines;
        if (abortAllowed && lines == s.cancelAfterLines) {
            job.abortRequest = true;
        }
        if (lines == plan.changeFileAfterLines) {  // the run sends what it checked, not this
            Write(dir + (s.kx2 ? "FIRMWARE.kx" : "c.bin"), PatternBytes(700, 9));
            std::remove((dir + "s.bin").c_str());
        }
    };
    WorkerContext context{line, clock, state};
    (s.kx2 ? RunKx2UploadWorker : RunHbdUploadWorker)(job, context);
    run.job = &job;
    run.sink = &sink;
    run.history = ReadText(dir + "History.txt");
    const std::vector<sim::ReceivedBoard> boards = hbd.Boards();
    run.boards.assign(boards.begin() + static_cast<std::ptrdiff_t>(boardsBefore), boards.end());
    run.report = kx2.GetReport();
    *ended = job.outcome;
    // What the run must have ended as: completed when nothing that stops a run was planned;
    // otherwise any ending a run has, and aborted only when the user asked.
    const bool aborting = abortAllowed && s.cancelAfterLines != 0;
    run.expected = job.outcome;
    if (OnlyHarmless(plan) && !aborting) {
        run.expected = O::kCompleted;
    } else if ((job.outcome == O::kAborted && !aborting) ||
               (job.outcome == O::kNoFinalAnswer && !s.kx2) || job.outcome == O::kNotFinished ||
               job.outcome == O::kPortOpenFailed) {
        run.expected = O::kFailed;  // no plan ends like this: reported as wrong below
    }
    return CheckRun(run);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);
    const Plan plan = Decode(in);
    const int descriptorsBefore = OpenDescriptors();
    std::vector<std::string> wrong;
    {
        FakeClock clock(FakeClock::DefaultStart(), 0);
        sim::HbdUnit hbd(sim::HbdUnit::kDefaultBlockPackets, plan.soak.hbd);
        sim::Kx2Unit kx2(plan.soak.kx2Unit);
        sim::HangupAfterBytes hangup(plan.soak.kx2 ? static_cast<sim::SimulatedUnit&>(kx2) : hbd,
                                     plan.soak.hangupAfterBytes);
        StaleBytesFirst unit(hangup, plan.stale);
        sim::LoopbackSerialBackend line(unit, &clock);
        RunOutcome first = O::kNotFinished;
        wrong = RunOnce(plan, true, clock, line, hbd, kx2, &first);
        if (wrong.empty() && plan.secondRun && first != O::kCompleted && !hangup.HungUp()) {
            RunOutcome second = O::kNotFinished;
            for (std::string& what : RunOnce(plan, false, clock, line, hbd, kx2, &second)) {
                wrong.push_back("second run: " + what);
            }
        }
    }
    wrong.insert(wrong.end(), OpenDescriptors() == descriptorsBefore ? 0 : 1,
                 "a file descriptor was left open");
    if (!wrong.empty()) {
        std::fprintf(stderr, "The run broke the soak's rules. The plan:\n%s", Words(plan).c_str());
        for (const std::string& what : wrong) {
            std::fprintf(stderr, "- %s\n", what.c_str());
        }
        std::abort();
    }
    return 0;
}
