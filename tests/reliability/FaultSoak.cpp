#include "tests/reliability/FaultSoak.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <thread>

#include "firmware/FileKind.h"
#include "serial/PosixSerialBackend.h"
#include "settings/IniFile.h"
#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#include "sim/UnitRunner.h"
#include "tests/core/upload/HbdTestSupport.h"
#include "tests/core/upload/Kx2TestSupport.h"
#include "tests/reliability/HangupAfterBytes.h"
#include "tests/reliability/ProcessCounters.h"
#include "tests/support/FakeClock.h"
#include "upload/Kx2Uploader.h"
#include "upload/UploadWorkers.h"

namespace quillon::test {

namespace {

// A worker that has not ended after this much real time is hung (the fake clock makes every
// wait of a run last a small fraction of its nominal time).
constexpr auto kHangLimit = std::chrono::seconds(120);
// Resident memory a run against a flooding unit may add.
constexpr long kFloodRssLimitKb = 64 * 1024;
constexpr uint32_t kClockScale = 20;
constexpr int kHbdWaitSeconds = 4;
constexpr int kHbdDelaySeconds = 45;
constexpr const char* kAbortText = "*** USER ABORTED UPLOAD ***";

class Rng {
  public:
    explicit Rng(uint32_t seed) : engine_(seed) {}
    int Between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(engine_);
    }
    bool Chance(double p) { return std::bernoulli_distribution(p)(engine_); }

  private:
    std::mt19937 engine_;
};

size_t Occurrences(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// What every run shares: a temporary app folder, the fake clock, the real serial backend, a
// sink that can act on notifications, and the checks of what a run leaves behind.
class Harness {
  public:
    explicit Harness(SoakRun& run)
        : run_(run),
          fdsBefore_(OpenFileDescriptors()),
          threadsBefore_(ThreadCount()),
          rssBefore_(ResidentKb()) {
        state.appDir = dir.Dir();
        job.notifications = &sink;
    }

    void Violation(const std::string& text) { run_.violations.push_back(text); }

    // Cancels the run (as the Abort button does) once `lines` log lines have been shown.
    void CancelAfterLines(int lines) {
        sink.hook = [this, lines, seen = 0](const Notification& n) mutable {
            if (n.code == UM_LOG_LINE && ++seen == lines) {
                job.abortRequest = 1;
            }
            if (onNotification) {
                onNotification(n);
            }
        };
    }

    // Runs the worker on a thread of its own, watching for a hang; the unit is stopped after.
    void Run(sim::UnitRunner& runner, int (*worker)(UploadJob&, WorkerContext&)) {
        if (!sink.hook) {
            sink.hook = [this](const Notification& n) {
                if (onNotification) {
                    onNotification(n);
                }
            };
        }
        const std::string device = runner.DevicePath();
        WorkerContext context{serial, clock, state, [&](int index, const std::string&) {
                                  serial.SetDevice(index, device);
                              }};
        std::atomic<bool> done{false};
        std::thread thread([&] {
            worker(job, context);
            done = true;
        });
        const auto deadline = std::chrono::steady_clock::now() + kHangLimit;
        while (!done && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (!done) {
            Violation("the worker did not end (hung)");
            job.abortRequest = 1;
        }
        thread.join();
        runner.Stop();
        run_.outcome = job.outcome.load();
        run_.virtualMs = clock.ElapsedMs();
        if (job.finished.load() != 1) {
            Violation("finished flag not set");
        }
        const auto codes = sink.Codes();
        if (codes.empty() || codes.back() != UM_WORKER_DONE) {
            Violation("the last notification is not UM_WORKER_DONE");
        }
    }

    // After every object of the run is gone: nothing may be left open or running.
    void CheckLeftovers() {
        const int fds = OpenFileDescriptors();
        if (fds != fdsBefore_) {
            Violation("file descriptors " + std::to_string(fdsBefore_) + " before, " +
                      std::to_string(fds) + " after");
        }
        // The unit's runner thread ends in Stop; give the kernel a moment to reap it.
        int threads = ThreadCount();
        for (int i = 0; i < 200 && threads != threadsBefore_; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            threads = ThreadCount();
        }
        if (threads != threadsBefore_) {
            Violation("threads " + std::to_string(threadsBefore_) + " before, " +
                      std::to_string(threads) + " after");
        }
        run_.rssGrowthKb = ResidentKb() - rssBefore_;
        if (run_.flood && run_.rssGrowthKb > kFloodRssLimitKb) {
            Violation("memory grew by " + std::to_string(run_.rssGrowthKb) + " KiB under a flood");
        }
        if (run_.virtualMs > run_.boundMs) {
            Violation("took " + std::to_string(run_.virtualMs) + " ms of clock time, bound " +
                      std::to_string(run_.boundMs));
        }
    }

    std::string History() const { return dir.Read("History.txt"); }

    TempDir dir;
    ProgramState state;
    FakeClock clock{FakeClock::DefaultStart(), kClockScale};
    PosixSerialBackend serial;
    HookSink sink;
    UploadJob job;
    std::function<void(const Notification&)> onNotification;

  private:
    SoakRun& run_;
    int fdsBefore_;
    int threadsBefore_;
    long rssBefore_;
};

// ---------------------------------------------------------------------------------------------
// HBD

struct HbdBoard {
    int kind;
    std::string name;
    std::string content;
};

struct HbdSchedule {
    std::vector<HbdBoard> boards;  // in upload order
    bool commFirst = true;
    int retransmitControl = 4;
    int retransmitData = 1;
    int blockPackets = 8;
    sim::FaultPlan faults;
    uint64_t hangupAfterBytes = 0;
    int cancelAfterLines = 0;
    std::string text;
};

HbdSchedule DrawHbd(uint32_t seed) {
    Rng rng(seed);
    HbdSchedule s;
    std::ostringstream text;
    const bool comm = rng.Chance(0.7);
    const bool reader = rng.Chance(0.4);
    const bool speech = rng.Chance(0.5) || (!comm && !reader);
    s.commFirst = rng.Chance(0.5);
    auto board = [&](int kind, const char* name, size_t size) {
        return HbdBoard{kind, name, PatternBytes(size, seed * 3 + static_cast<uint32_t>(kind))};
    };
    const size_t boot = hbd::kBoardImageOffset;
    std::vector<HbdBoard> pair;
    if (comm) {
        pair.push_back(
            board(kKindComm, "c.bin", boot + rng.Between(0, 5) * 1024 + rng.Between(0, 1023)));
    }
    if (reader) {
        pair.push_back(
            board(kKindReader, "r.bin", boot + rng.Between(0, 3) * 1024 + rng.Between(1, 1023)));
    }
    if (!s.commFirst) {
        std::reverse(pair.begin(), pair.end());
    }
    s.boards = pair;
    if (speech) {
        s.boards.push_back(board(kKindSpeech, "s.bin", rng.Between(1, 4000)));
    }
    s.retransmitControl = rng.Between(1, 4);
    s.retransmitData = rng.Between(1, 3);
    s.blockPackets = rng.Between(1, 8);
    text << s.boards.size() << " boards, retries " << s.retransmitControl << "/"
         << s.retransmitData;

    const int faults = rng.Between(0, 2);
    for (int i = 0; i < faults; ++i) {
        switch (rng.Between(0, 10)) {
            case 0:
                s.faults.silentExchange = rng.Between(1, 12);
                text << ", silent " << s.faults.silentExchange;
                break;
            case 1:
                s.faults.unknownCodeExchange = rng.Between(1, 12);
                text << ", unknown code " << s.faults.unknownCodeExchange;
                break;
            case 2:
                s.faults.partialExchange = rng.Between(1, 12);
                text << ", partial " << s.faults.partialExchange;
                break;
            case 3: {
                static constexpr uint8_t kCodes[] = {hbd::kReplyBadPacket, hbd::kReplyWriteFailed,
                                                     hbd::kReplyAbortTransfer};
                s.faults.badReplyPacket = rng.Between(1, 4);
                s.faults.badReplyCode = kCodes[rng.Between(0, 2)];
                s.faults.badReplyTimes = rng.Between(1, 4);
                text << ", code 0x" << std::hex << int{s.faults.badReplyCode} << std::dec << " x"
                     << s.faults.badReplyTimes << " to packet " << s.faults.badReplyPacket;
                break;
            }
            case 4:
                s.faults.flashSilentPacket = rng.Between(1, 4);
                text << ", flash silent " << s.faults.flashSilentPacket;
                break;
            case 5:
                s.faults.hangupAfterPacket = rng.Between(1, 4);
                text << ", hangup after packet " << s.faults.hangupAfterPacket;
                break;
            case 6:
                s.faults.noiseBytes = static_cast<size_t>(rng.Between(1, 40));
                text << ", noise " << s.faults.noiseBytes;
                break;
            case 7:
                s.faults.latencyMs = static_cast<uint32_t>(rng.Between(1, 30));
                text << ", latency " << s.faults.latencyMs << " ms";
                break;
            case 8:
                s.faults.flood = rng.Chance(0.5);
                text << (s.faults.flood ? ", flood" : "");
                break;
            case 9:
                s.hangupAfterBytes = static_cast<uint64_t>(rng.Between(1, 8000));
                text << ", line dropped after " << s.hangupAfterBytes << " bytes";
                break;
            default:
                s.cancelAfterLines = rng.Between(1, 120);
                text << ", cancel after " << s.cancelAfterLines << " lines";
                break;
        }
    }
    s.text = text.str();
    return s;
}

uint64_t HbdBoundMs(const HbdSchedule& s) {
    uint64_t ms = 10000;
    for (const HbdBoard& b : s.boards) {
        const uint64_t sent =
            b.kind == kKindSpeech ? b.content.size() : b.content.size() - hbd::kBoardImageOffset;
        const uint64_t packets = (sent + hbd::kPayloadSize - 1) / hbd::kPayloadSize;
        const uint64_t exchanges = 3 + 2 * packets;
        // Every exchange may wait out all its tries, and a flash write one more wait.
        ms += exchanges * static_cast<uint64_t>(s.retransmitControl + s.retransmitData + 1) *
              (kHbdWaitSeconds + 1) * 1000;
        ms += kHbdDelaySeconds * 1000;
    }
    return ms;
}

void CheckHbd(const HbdSchedule& s, Harness& h, const sim::HbdUnit& unit, SoakRun& run) {
    // The unit reads the last end of transfer after the worker has already closed its port.
    for (int i = 0; i < 500 && unit.Boards().size() < h.sink.Count(UM_FILE_DONE); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const std::vector<sim::ReceivedBoard> got = unit.Boards();
    // Every board the unit has is the one the host was asked to send, byte for byte.
    for (const sim::ReceivedBoard& b : got) {
        auto it = std::find_if(s.boards.begin(), s.boards.end(),
                               [&](const HbdBoard& w) { return w.kind == b.kind; });
        if (it == s.boards.end() || b.image != ExpectedImage(it->content, b.kind)) {
            h.Violation(std::string("the unit holds a wrong ") + FileKindName(b.kind) + " image");
        } else {
            ++run.delivered;
        }
        run.schedule +=
            std::string(run.delivered == 1 ? "; unit got " : " ") + FileKindName(b.kind);
    }
    const std::string history = h.History();
    run.history = history;
    const auto lines = h.sink.LogLines();
    run.lastLines.assign(
        lines.end() - std::min<std::ptrdiff_t>(12, static_cast<std::ptrdiff_t>(lines.size())),
        lines.end());
    const size_t done = h.sink.Count(UM_FILE_DONE);
    const size_t failed = h.sink.Count(UM_FILE_FAILED);
    const size_t successes = Occurrences(history, " File Successful (");
    const size_t failures = Occurrences(history, " File FAILED!");
    const size_t aborts = Occurrences(history, std::string("ERROR = ") + kAbortText);
    if (successes != done) {
        h.Violation("history has " + std::to_string(successes) + " successes, " +
                    std::to_string(done) + " files reported done");
    }
    // The end of transfer is never acknowledged, so a fault that swallows it (an exchange fault
    // on it, or a line dropped after the last packet's answer) leaves a board reported done that
    // the unit never closed. One such board per fault of that kind is the protocol's limit.
    const int exchangeFaults = (s.faults.silentExchange != 0 ? 1 : 0) +
                               (s.faults.unknownCodeExchange != 0 ? 1 : 0) +
                               (s.faults.partialExchange != 0 ? 1 : 0) +
                               (s.faults.hangupAfterPacket != 0 || s.hangupAfterBytes != 0 ? 1 : 0);
    const int missing = static_cast<int>(done) - static_cast<int>(got.size());
    if (missing > exchangeFaults) {
        h.Violation("a file was reported done that the unit never received");
    }
    run.endUnconfirmed = std::max(missing, 0);
    switch (run.outcome) {
        case RunOutcome::kCompleted:
            if (done != s.boards.size() || failed != 0 || failures != 0) {
                h.Violation("completed without every file done and recorded");
            }
            if (run.delivered + run.endUnconfirmed != static_cast<int>(s.boards.size())) {
                h.Violation("completed but the unit does not hold every board");
            }
            break;
        case RunOutcome::kFailed:
            if (failed != 1 || failures != 1 || aborts != 0) {
                h.Violation("failed without exactly one UM_FILE_FAILED and one failure entry");
            }
            break;
        case RunOutcome::kAborted:
            if (s.cancelAfterLines == 0) {
                h.Violation("aborted though nobody cancelled");
            }
            // A cancel during a data packet's wait ends that try only; each remaining try finds
            // the request set and records the abort again, as the original program did.
            if (failed != 0 || failures != aborts ||
                aborts > static_cast<size_t>(s.retransmitData)) {
                h.Violation("a cancelled run recorded a failure other than the abort");
            }
            break;
        default:
            h.Violation(std::string("unexpected outcome ") + RunOutcomeName(run.outcome));
    }
    // Whether a run without faults completes depends on the unit's thread getting the processor
    // within a scaled-down wait, so it is not a rule here: any ending must be reported right.
}

// ---------------------------------------------------------------------------------------------
// KX2

struct Kx2Schedule {
    int maxPacketSize = 1024;
    int delayMs = 150;
    size_t fileSize = 0;
    sim::Kx2Scenario scenario;
    uint64_t hangupAfterBytes = 0;
    int cancelAfterLines = 0;
    std::string text;
};

Kx2Schedule DrawKx2(uint32_t seed) {
    Rng rng(seed);
    Kx2Schedule s;
    std::ostringstream text;
    static constexpr int kSizes[] = {64, 256, 1024};
    static constexpr int kDelays[] = {0, 5, 150};
    s.maxPacketSize = kSizes[rng.Between(0, 2)];
    s.delayMs = kDelays[rng.Between(0, 2)];
    const int payload = s.maxPacketSize - static_cast<int>(kKx2Overhead);
    const int packets = rng.Between(1, 12);
    s.fileSize = static_cast<size_t>((packets - 1) * payload + rng.Between(1, payload));
    text << packets << " packets of " << payload << ", delay " << s.delayMs;
    sim::Kx2Scenario& sc = s.scenario;
    const int faults = rng.Between(0, 2);
    for (int i = 0; i < faults; ++i) {
        switch (rng.Between(0, 11)) {
            case 0:
                sc.endOfPass = rng.Chance(0.5) ? sim::Kx2Scenario::EndOfPass::kCancel
                                               : sim::Kx2Scenario::EndOfPass::kSilent;
                text << (sc.endOfPass == sim::Kx2Scenario::EndOfPass::kCancel ? ", cancel at end"
                                                                              : ", silent at end");
                break;
            case 1:
            case 2:
                for (int n = rng.Between(1, 3); n > 0; --n) {
                    sc.losePackets.insert(rng.Between(1, packets));
                }
                text << ", " << sc.losePackets.size() << " packets lost";
                break;
            case 3:
                sc.cancelAfterPacket = rng.Between(1, packets);
                text << ", unit cancels at packet " << sc.cancelAfterPacket;
                break;
            case 4:
                sc.silentStartRequests = rng.Between(1, 3);
                text << ", " << sc.silentStartRequests << " start requests unanswered";
                break;
            case 5:
                sc.unknownAnswers = rng.Between(1, 3);
                sc.unknownType = static_cast<uint8_t>(rng.Between(15, 255));
                text << ", " << sc.unknownAnswers << " unknown answers";
                break;
            case 6:
                sc.incompleteFrameFirst = true;
                text << ", incomplete first frame";
                break;
            case 7:
                sc.floodBeforeBegin = static_cast<size_t>(rng.Between(1, 400));
                text << ", " << sc.floodBeforeBegin << " noise bytes before begin";
                break;
            case 8:
                sc.floodForever = rng.Chance(0.5);
                sc.silentOnStatus = !sc.floodForever;
                text << (sc.floodForever ? ", flood" : ", silent on status");
                break;
            case 9:
                sc.answerDelayMs = static_cast<uint32_t>(rng.Between(1, 20));
                text << ", answers " << sc.answerDelayMs << " ms late";
                break;
            case 10:
                s.hangupAfterBytes =
                    static_cast<uint64_t>(rng.Between(1, static_cast<int>(s.fileSize) + 200));
                text << ", line dropped after " << s.hangupAfterBytes << " bytes";
                break;
            default:
                s.cancelAfterLines = rng.Between(1, 3);
                text << ", cancel after " << s.cancelAfterLines << " lines";
                break;
        }
    }
    s.text = text.str();
    return s;
}

uint64_t Kx2BoundMs(const Kx2Schedule& s) {
    const uint64_t payload = static_cast<uint64_t>(s.maxPacketSize) - kKx2Overhead;
    const uint64_t packets = (s.fileSize + payload - 1) / payload;
    const uint64_t wait = Kx2Uploader::kPollsPerWait * Kx2Uploader::kPollWaitMs;
    // The start tries, every packet in the first pass and in each final cycle's resend pass,
    // and every wait of the final phase, each with room for its frame reads.
    const uint64_t perPacket = static_cast<uint64_t>(s.delayMs) +
                               2 * Kx2Uploader::kByteWaitMs * Kx2Uploader::kMaxFrameReads;
    return 10000 + Kx2Uploader::kStartTries * 2 * wait +
           packets * perPacket * (1 + Kx2Uploader::kFinalCycles) +
           Kx2Uploader::kFinalCycles * Kx2Uploader::kWaitsPerCycle * 2 * wait;
}

void CheckKx2(const Kx2Schedule& s, Harness& h, const sim::Kx2Unit::Report& report,
              const std::string& content, SoakRun& run) {
    const std::vector<uint8_t> expected(content.begin(), content.end());
    if (report.complete) {
        if (report.image != expected) {
            h.Violation("the unit holds a wrong image");
        } else {
            run.delivered = 1;
        }
    }
    if (report.badFrames != 0 || report.badDataFrames != 0 || report.badStartRequests != 0) {
        h.Violation("the host sent a malformed frame");
    }
    const std::string history = h.History();
    const size_t failed = h.sink.Count(UM_FILE_FAILED);
    const size_t failures = Occurrences(history, " File FAILED!");
    if (h.sink.Count(UM_FILE_DONE) != 0) {
        h.Violation("the KX2 worker sent UM_FILE_DONE");
    }
    switch (run.outcome) {
        case RunOutcome::kCompleted:
            if (run.delivered != 1 || failed != 0 || failures != 0) {
                h.Violation("completed without the exact image at the unit");
            }
            if (Occurrences(history, "Begin Upload COMM File") != 1) {
                h.Violation("completed without its begin entry");
            }
            break;
        case RunOutcome::kFailed:
            if (failed != 1 || failures != 1) {
                h.Violation("failed without exactly one UM_FILE_FAILED and one failure entry");
            }
            break;
        case RunOutcome::kNoFinalAnswer:
            if (failed != 0 || failures != 0) {
                h.Violation("no final answer, yet a failure was reported");
            }
            break;
        case RunOutcome::kAborted:
            if (s.cancelAfterLines == 0) {
                h.Violation("aborted though nobody cancelled");
            }
            if (failed != 0 || failures != 0) {
                h.Violation("a cancelled run recorded a failure");
            }
            break;
        default:
            h.Violation(std::string("unexpected outcome ") + RunOutcomeName(run.outcome));
    }
}

}  // namespace

SoakRun RunHbdSchedule(uint32_t seed) {
    SoakRun run;
    run.protocol = SoakProtocol::kHbd;
    run.seed = seed;
    const HbdSchedule s = DrawHbd(seed);
    run.schedule = s.text;
    run.boards = static_cast<int>(s.boards.size());
    run.flood = s.faults.flood;
    run.boundMs = HbdBoundMs(s);
    {
        Harness h(run);
        IniFile ini(h.state.IniPath());
        ini.WriteInt("HBD Params", "Retransmit Control Packets", s.retransmitControl);
        ini.WriteInt("HBD Params", "Retransmit Data Packets", s.retransmitData);
        ini.WriteInt("HBD Params", "Wait for HBD Response", kHbdWaitSeconds);
        ini.WriteInt("HBD Params", "Delay after File Upload", kHbdDelaySeconds);
        h.job.commFirst = s.commFirst ? 1 : 0;
        for (const HbdBoard& b : s.boards) {
            const std::string path = h.dir.Write(b.name, b.content);
            (b.kind == kKindComm     ? h.job.commFile
             : b.kind == kKindReader ? h.job.readerFile
                                     : h.job.speechFile) = path;
        }
        {
            sim::HbdUnit unit(s.blockPackets, s.faults);
            HangupAfterBytes line(unit, s.hangupAfterBytes);
            sim::UnitRunner runner(line);
            runner.Start();
            if (s.cancelAfterLines > 0) {
                h.CancelAfterLines(s.cancelAfterLines);
            }
            // The pause after a file is what lets a unit take the end of transfer before the
            // next file's clearing call; with the fake clock the run gives the unit that time.
            size_t filesDone = 0;
            h.onNotification = [&](const Notification& n) {
                if (n.code == UM_FILE_DONE) {
                    ++filesDone;
                    for (int i = 0; i < 500 && unit.Boards().size() < filesDone; ++i) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    }
                }
            };
            h.Run(runner, &RunHbdUploadWorker);
            CheckHbd(s, h, unit, run);
        }
        h.CheckLeftovers();
    }
    return run;
}

SoakRun RunKx2Schedule(uint32_t seed) {
    SoakRun run;
    run.protocol = SoakProtocol::kKx2;
    run.seed = seed;
    const Kx2Schedule s = DrawKx2(seed);
    run.schedule = s.text;
    run.boards = 1;
    run.flood = s.scenario.floodForever;
    run.boundMs = Kx2BoundMs(s);
    {
        Harness h(run);
        h.dir.Write("Quillon.ini", "[KX2]\nMax Packet Size=" + std::to_string(s.maxPacketSize) +
                                       "\nDelay Between Packets=" + std::to_string(s.delayMs) +
                                       "\n[Logs]\nLog Messages=1\nLog Serial Data=1\n");
        const std::string content = Kx2FileContent(s.fileSize);
        h.job.commFile = h.dir.Write("FIRMWARE.kx", content);
        h.job.baudRate = 115200;
        {
            sim::Kx2Unit unit(s.scenario);
            HangupAfterBytes line(unit, s.hangupAfterBytes);
            sim::UnitRunner runner(line);
            runner.Start();
            if (s.cancelAfterLines > 0) {
                h.CancelAfterLines(s.cancelAfterLines);
            }
            h.Run(runner, &RunKx2UploadWorker);
            CheckKx2(s, h, unit.GetReport(), content, run);
        }
        h.CheckLeftovers();
    }
    return run;
}

std::string Describe(const SoakRun& run) {
    std::ostringstream out;
    out << (run.protocol == SoakProtocol::kHbd ? "HBD" : "KX2") << " seed " << run.seed << " ["
        << run.schedule << "]: " << RunOutcomeName(run.outcome) << ", " << run.delivered << "/"
        << run.boards << " boards delivered, " << run.virtualMs / 1000 << " s of "
        << run.boundMs / 1000 << " s allowed";
    for (const std::string& v : run.violations) {
        out << "\n    VIOLATION: " << v;
    }
    return out.str();
}

}  // namespace quillon::test
