// quillon7-sim: a simulated field unit on a pseudo-terminal (or a given serial device), for
// trying the uploader without hardware. One subcommand per unit kind.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "firmware/FileKind.h"
#include "sim/DeviceRunner.h"
#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#include "sim/UnitRunner.h"

namespace {

using namespace quillon::sim;

std::atomic<bool> gInterrupted{false};

void OnSignal(int) {
    gInterrupted = true;
}

// Options every unit kind takes.
struct CommonOptions {
    std::string device;  // empty: create a pseudo-terminal
    int exitAfterBoards = 0;
};

// Walks argv; each handler takes the option's value (or none) and says whether it was valid.
class Options {
  public:
    Options(int argc, char** argv) : args_(argv, argv + argc) {}
    bool Next(std::string* name) {
        if (index_ >= args_.size()) {
            return false;
        }
        *name = args_[index_++];
        return true;
    }
    bool Value(std::string* value) {
        if (index_ >= args_.size()) {
            return false;
        }
        *value = args_[index_++];
        return true;
    }
    bool Number(long* number, long low, long high) {
        std::string text;
        if (!Value(&text)) {
            return false;
        }
        char* end = nullptr;
        errno = 0;
        *number = std::strtol(text.c_str(), &end, 0);
        return errno == 0 && end != text.c_str() && *end == '\0' && *number >= low &&
               *number <= high;
    }

  private:
    std::vector<std::string> args_;
    size_t index_ = 0;
};

// How long a unit that has received its boards waits for the host to close the line.
constexpr int kHostCloseLimitMs = 10000;

// Runs `unit` until Ctrl-C or until `boards()` reaches the requested count. 0 on a clean end.
int Serve(SimulatedUnit& unit, const CommonOptions& common, const char* kindName,
          const std::function<size_t()>& boards) {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::unique_ptr<UnitRunner> ptyRunner;
    std::unique_ptr<DeviceRunner> deviceRunner;
    if (common.device.empty()) {
        try {
            ptyRunner = std::make_unique<UnitRunner>(unit);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "quillon7-sim: %s\n", e.what());
            return 1;
        }
        ptyRunner->Start();
        std::printf("Simulated %s unit ready on %s\n", kindName, ptyRunner->DevicePath().c_str());
    } else {
        deviceRunner = std::make_unique<DeviceRunner>(unit);
        std::string error;
        if (!deviceRunner->Open(common.device, &error)) {
            std::fprintf(stderr, "quillon7-sim: %s\n", error.c_str());
            return 1;
        }
        deviceRunner->Start();
        std::printf("Simulated %s unit ready on %s\n", kindName, common.device.c_str());
    }
    std::fflush(stdout);
    while (!gInterrupted) {
        if (common.exitAfterBoards > 0 && boards() >= static_cast<size_t>(common.exitAfterBoards)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // The last answers (a KX2's final status) must still reach the host: keep serving until it
    // closes the line.
    if (ptyRunner && !gInterrupted) {
        ptyRunner->StopAfterHostCloses(kHostCloseLimitMs);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// HBD

const char kHbdHelp[] =
    "usage: quillon7-sim hbd [options]\n"
    "  --device PATH              answer on this serial device instead of a new pty\n"
    "  --block-packets N          packets per flash block (default 8)\n"
    "  --latency MS               turnaround before every answer\n"
    "  --exit-after-boards N      end after N board images were received\n"
    "faults:\n"
    "  --silent-exchange N        no answer to the N-th host packet\n"
    "  --unknown-code-exchange N  answer the N-th host packet with a non-digit code\n"
    "  --partial-exchange N       answer the N-th host packet with 05 05 only\n"
    "  --bad-reply-packet N       answer data packet N with --bad-reply-code ...\n"
    "  --bad-reply-code HEX       ... 0x34 (bad packet), 0x37 (write failed), 0x38 (abort)\n"
    "  --bad-reply-times K        ... K times (default 1)\n"
    "  --flash-silent-packet N    never confirm the flash write ending with packet N (once)\n"
    "  --hangup-after-packet N    drop the line after data packet N\n"
    "  --noise N                  N noise bytes before every answer\n"
    "  --flood                    send noise continuously\n";

int RunHbd(int argc, char** argv) {
    Options options(argc, argv);
    CommonOptions common;
    FaultPlan faults;
    long blockPackets = HbdUnit::kDefaultBlockPackets;
    std::string name;
    while (options.Next(&name)) {
        long n = 0;
        bool ok = true;
        auto number = [&](long low, long high) { return ok = options.Number(&n, low, high), n; };
        if (name == "--help" || name == "-h") {
            std::fputs(kHbdHelp, stdout);
            return 0;
        } else if (name == "--device") {
            ok = options.Value(&common.device);
        } else if (name == "--block-packets") {
            blockPackets = number(1, 1 << 20);
        } else if (name == "--latency") {
            faults.latencyMs = static_cast<uint32_t>(number(0, 60000));
        } else if (name == "--exit-after-boards") {
            common.exitAfterBoards = static_cast<int>(number(1, 1000));
        } else if (name == "--silent-exchange") {
            faults.silentExchange = static_cast<int>(number(1, 1 << 30));
        } else if (name == "--unknown-code-exchange") {
            faults.unknownCodeExchange = static_cast<int>(number(1, 1 << 30));
        } else if (name == "--partial-exchange") {
            faults.partialExchange = static_cast<int>(number(1, 1 << 30));
        } else if (name == "--bad-reply-packet") {
            faults.badReplyPacket = static_cast<int>(number(1, 1 << 30));
            faults.badReplyTimes = std::max(faults.badReplyTimes, 1);
        } else if (name == "--bad-reply-code") {
            faults.badReplyCode = static_cast<uint8_t>(number(0, 255));
        } else if (name == "--bad-reply-times") {
            faults.badReplyTimes = static_cast<int>(number(0, 1 << 30));
        } else if (name == "--flash-silent-packet") {
            faults.flashSilentPacket = static_cast<int>(number(1, 1 << 30));
        } else if (name == "--hangup-after-packet") {
            faults.hangupAfterPacket = static_cast<int>(number(1, 1 << 30));
        } else if (name == "--noise") {
            faults.noiseBytes = static_cast<size_t>(number(0, 4096));
        } else if (name == "--flood") {
            faults.flood = true;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "quillon7-sim hbd: bad option or value: %s\n%s", name.c_str(),
                         kHbdHelp);
            return 2;
        }
    }
    HbdUnit unit(static_cast<int>(blockPackets), faults);
    size_t received = 0;
    unit.SetOnBoard([&received](const ReceivedBoard& board) {
        std::printf("Board %zu: %s, %zu bytes in %d packets, CRC 0x%04X\n", ++received,
                    quillon::FileKindName(board.kind), board.image.size(), board.packets,
                    board.crc);
        std::fflush(stdout);
    });
    return Serve(unit, common, "HBD", [&unit] { return unit.Boards().size(); });
}

// ---------------------------------------------------------------------------------------------
// KX2

const char kKx2Help[] =
    "usage: quillon7-sim kx2 [options]\n"
    "  --device PATH              answer on this serial device instead of a new pty\n"
    "  --latency MS               turnaround before every answer\n"
    "  --exit-after-boards N      end once the image is complete (N is 1)\n"
    "faults:\n"
    "  --lose-packet N            drop packet N the first time it comes (repeatable)\n"
    "  --cancel-after-packet N    cancel the session when packet N arrives\n"
    "  --end-of-pass MODE         normal (complete or resend list), cancel or silent\n"
    "  --silent-start N           ignore the first N start requests\n"
    "  --unknown-answers N        answer the first N start requests with an unknown type\n"
    "  --incomplete-frame         answer the first start request with a frame that never ends\n"
    "  --silent-status            never answer a status request\n"
    "  --noise N                  N noise bytes before the first Begin Upload\n"
    "  --flood                    send noise continuously\n";

int RunKx2(int argc, char** argv) {
    Options options(argc, argv);
    CommonOptions common;
    Kx2Scenario scenario;
    std::string name;
    while (options.Next(&name)) {
        long n = 0;
        bool ok = true;
        auto number = [&](long low, long high) { return ok = options.Number(&n, low, high), n; };
        if (name == "--help" || name == "-h") {
            std::fputs(kKx2Help, stdout);
            return 0;
        } else if (name == "--device") {
            ok = options.Value(&common.device);
        } else if (name == "--latency") {
            scenario.answerDelayMs = static_cast<uint32_t>(number(0, 60000));
        } else if (name == "--exit-after-boards") {
            common.exitAfterBoards = static_cast<int>(number(1, 1));
        } else if (name == "--lose-packet") {
            scenario.losePackets.insert(static_cast<int>(number(1, 0xFFFF)));
        } else if (name == "--cancel-after-packet") {
            scenario.cancelAfterPacket = static_cast<int>(number(1, 0xFFFF));
        } else if (name == "--end-of-pass") {
            std::string mode;
            ok = options.Value(&mode);
            if (mode == "normal") {
                scenario.endOfPass = Kx2Scenario::EndOfPass::kNormal;
            } else if (mode == "cancel") {
                scenario.endOfPass = Kx2Scenario::EndOfPass::kCancel;
            } else if (mode == "silent") {
                scenario.endOfPass = Kx2Scenario::EndOfPass::kSilent;
            } else {
                ok = false;
            }
        } else if (name == "--silent-start") {
            scenario.silentStartRequests = static_cast<int>(number(0, 1 << 30));
        } else if (name == "--unknown-answers") {
            scenario.unknownAnswers = static_cast<int>(number(0, 1 << 30));
        } else if (name == "--incomplete-frame") {
            scenario.incompleteFrameFirst = true;
        } else if (name == "--silent-status") {
            scenario.silentOnStatus = true;
        } else if (name == "--noise") {
            scenario.floodBeforeBegin = static_cast<size_t>(number(0, 1 << 20));
        } else if (name == "--flood") {
            scenario.floodForever = true;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "quillon7-sim kx2: bad option or value: %s\n%s", name.c_str(),
                         kKx2Help);
            return 2;
        }
    }
    Kx2Unit unit(scenario);
    bool reported = false;
    return Serve(unit, common, "KX2", [&unit, &reported]() -> size_t {
        if (!unit.ImageComplete()) {
            return 0;
        }
        if (!reported) {
            reported = true;
            const Kx2Unit::Report report = unit.GetReport();
            std::printf("Image %s: %zu bytes in %u packets, %s the announced length\n",
                        report.start->name.c_str(), report.image.size(),
                        static_cast<unsigned>(report.start->packetCount),
                        report.imageMatchesLength ? "matches" : "DOES NOT MATCH");
            std::fflush(stdout);
        }
        return 1;
    });
}

// ---------------------------------------------------------------------------------------------

struct UnitKind {
    const char* name;
    const char* summary;
    int (*run)(int argc, char** argv);  // argv after the subcommand
};

const UnitKind kUnitKinds[] = {
    {"hbd", "an HBD unit (COMM, READER and SPEECH boards)", RunHbd},
    {"kx2", "a KX2 unit (one .kx image, frames with resend lists)", RunKx2},
};

void PrintUsage(std::FILE* out) {
    std::fputs("usage: quillon7-sim KIND [options]   (quillon7-sim KIND --help for options)\n",
               out);
    for (const UnitKind& kind : kUnitKinds) {
        std::fprintf(out, "  %-6s %s\n", kind.name, kind.summary);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const UnitKind& kind : kUnitKinds) {
        if (std::strcmp(argv[1], kind.name) == 0) {
            return kind.run(argc - 2, argv + 2);
        }
    }
    std::fprintf(stderr, "quillon7-sim: unknown unit kind '%s'\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
