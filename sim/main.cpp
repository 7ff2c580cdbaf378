// quillon7-sim: a simulated field unit on a pseudo-terminal (or a given serial device), for
// trying the uploader without hardware. One subcommand per unit kind.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "DeviceRunner.h"
#include "platform/StandardStreams.h"
#include "program/ArgParser.h"
#include "program/Version.h"
#include "protocol/Boards.h"
#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#include "sim/UnitOptions.h"
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

// One numeric option: its name, its range, where its value goes and its base (0: decimal, 0x
// hexadecimal or 0 octal).
struct NumberOption {
    const char* name;
    long low;
    long high;
    std::function<void(long)> apply;
    int base = 0;
};

// Parses `args` by the kind's option table, then hands each number given to its option. False
// after printing what was wrong and the help.
bool ParseOptions(const std::vector<std::string>& args, const UnitKindSpec& kind,
                  const std::vector<NumberOption>& numbers, quillon::ArgParser* parser) {
    std::string bad;
    if (!parser->Parse(args)) {
        bad = parser->Error();
    }
    for (const NumberOption& option : numbers) {
        for (const std::string& text : parser->Values(option.name)) {
            if (!bad.empty()) {
                break;
            }
            if (auto n = quillon::ParseNumber(text, option.low, option.high, option.base)) {
                option.apply(*n);
            } else {
                bad = std::string("bad value for --") + option.name + ": " + text;
            }
        }
    }
    if (!bad.empty()) {
        std::fprintf(stderr, "quillon7-sim %s: %s\n%s", kind.name, bad.c_str(),
                     UnitKindHelp(kind).c_str());
        return false;
    }
    return true;
}

const UnitKindSpec& Kind(const char* name) {
    for (const UnitKindSpec& kind : UnitKinds()) {
        if (std::strcmp(kind.name, name) == 0) {
            return kind;
        }
    }
    std::abort();  // every kind run has its table
}

bool WantsHelp(const std::vector<std::string>& args) {
    return std::find(args.begin(), args.end(), "-h") != args.end() ||
           std::find(args.begin(), args.end(), "--help") != args.end();
}

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
        std::string error;
        std::optional<PtyPair> pty = PtyPair::Open(&error);
        if (!pty) {
            std::fprintf(stderr, "quillon7-sim: %s\n", error.c_str());
            return 1;
        }
        ptyRunner = std::make_unique<UnitRunner>(unit, std::move(*pty));
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
        const size_t received = boards();  // also prints what came since the last look
        if (common.exitAfterBoards > 0 && received >= static_cast<size_t>(common.exitAfterBoards)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    boards();  // what came just before a Ctrl-C is said too
    // The last answers (a KX2's final status) must still reach the host: keep serving until it
    // closes the line.
    if (ptyRunner && !gInterrupted && !ptyRunner->StopAfterHostCloses(kHostCloseLimitMs)) {
        std::fprintf(stderr, "quillon7-sim: the host still had the line open after %d s\n",
                     kHostCloseLimitMs / 1000);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// HBD

int RunHbd(const std::vector<std::string>& args) {
    const UnitKindSpec& kind = Kind("hbd");
    if (WantsHelp(args)) {
        std::fputs(UnitKindHelp(kind).c_str(), stdout);
        return 0;
    }
    CommonOptions common;
    FaultPlan faults;
    long blockPackets = HbdUnit::kDefaultBlockPackets;
    constexpr long kAny = 1L << 30;
    const std::vector<NumberOption> numbers = {
        {"block-packets", 1, 1 << 20, [&](long n) { blockPackets = n; }},
        {"latency", 0, 60000, [&](long n) { faults.latencyMs = static_cast<uint32_t>(n); }},
        {"exit-after-boards", 1, 1000,
         [&](long n) { common.exitAfterBoards = static_cast<int>(n); }},
        {"silent-exchange", 1, kAny, [&](long n) { faults.silentExchange = static_cast<int>(n); }},
        {"unknown-code-exchange", 1, kAny,
         [&](long n) { faults.unknownCodeExchange = static_cast<int>(n); }},
        {"partial-exchange", 1, kAny,
         [&](long n) { faults.partialExchange = static_cast<int>(n); }},
        {"bad-reply-packet", 1, kAny,
         [&](long n) {
             faults.badReplyPacket = static_cast<int>(n);
             faults.badReplyTimes = std::max(faults.badReplyTimes, 1);
         }},
        {"bad-reply-code", 0, 255, [&](long n) { faults.badReplyCode = static_cast<uint8_t>(n); },
         16},
        {"bad-reply-times", 0, kAny, [&](long n) { faults.badReplyTimes = static_cast<int>(n); }},
        {"flash-silent-packet", 1, kAny,
         [&](long n) { faults.flashSilentPacket = static_cast<int>(n); }},
        {"hangup-after-packet", 1, kAny,
         [&](long n) { faults.hangupAfterPacket = static_cast<int>(n); }},
        {"noise", 0, 4096, [&](long n) { faults.noiseBytes = static_cast<size_t>(n); }},
    };
    quillon::ArgParser parser(kind.options);
    if (!ParseOptions(args, kind, numbers, &parser)) {
        return 2;
    }
    common.device = parser.Value("device").value_or("");
    faults.flood = parser.Has("flood");
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

int RunKx2(const std::vector<std::string>& args) {
    const UnitKindSpec& kind = Kind("kx2");
    if (WantsHelp(args)) {
        std::fputs(UnitKindHelp(kind).c_str(), stdout);
        return 0;
    }
    CommonOptions common;
    Kx2Scenario scenario;
    constexpr long kAny = 1L << 30;
    const std::vector<NumberOption> numbers = {
        {"latency", 0, 60000, [&](long n) { scenario.answerDelayMs = static_cast<uint32_t>(n); }},
        {"exit-after-boards", 1, 1, [&](long n) { common.exitAfterBoards = static_cast<int>(n); }},
        {"lose-packet", 1, 0xFFFF,
         [&](long n) { scenario.losePackets.insert(static_cast<int>(n)); }},
        {"cancel-after-packet", 1, 0xFFFF,
         [&](long n) { scenario.cancelAfterPacket = static_cast<int>(n); }},
        {"silent-start", 0, kAny,
         [&](long n) { scenario.silentStartRequests = static_cast<int>(n); }},
        {"unknown-answers", 0, kAny,
         [&](long n) { scenario.unknownAnswers = static_cast<int>(n); }},
        {"noise", 0, 1 << 20, [&](long n) { scenario.floodBeforeBegin = static_cast<size_t>(n); }},
    };
    quillon::ArgParser parser(kind.options);
    if (!ParseOptions(args, kind, numbers, &parser)) {
        return 2;
    }
    common.device = parser.Value("device").value_or("");
    scenario.incompleteFrameFirst = parser.Has("incomplete-frame");
    scenario.silentOnStatus = parser.Has("silent-status");
    scenario.floodForever = parser.Has("flood");
    if (auto mode = parser.Value("end-of-pass")) {
        const std::pair<const char*, Kx2Scenario::EndOfPass> modes[] = {
            {"normal", Kx2Scenario::EndOfPass::kNormal},
            {"cancel", Kx2Scenario::EndOfPass::kCancel},
            {"silent", Kx2Scenario::EndOfPass::kSilent}};
        auto found = std::find_if(std::begin(modes), std::end(modes),
                                  [&](const auto& m) { return *mode == m.first; });
        if (found == std::end(modes)) {
            std::fprintf(stderr, "quillon7-sim kx2: bad value for --end-of-pass: %s\n%s",
                         mode->c_str(), UnitKindHelp(kind).c_str());
            return 2;
        }
        scenario.endOfPass = found->second;
    }
    Kx2Unit unit(scenario);
    // A line for every image completed (a new start request begins the next one).
    size_t images = 0;
    bool complete = false;
    return Serve(unit, common, "KX2", [&]() -> size_t {
        const bool nowComplete = unit.ImageComplete();
        if (nowComplete && !complete) {
            ++images;
            const Kx2Unit::Report report = unit.GetReport();
            std::printf("Image %s: %zu bytes in %u packets, %s the announced length\n",
                        report.start->name.c_str(), report.image.size(),
                        static_cast<unsigned>(report.start->packetCount),
                        report.imageMatchesLength ? "matches" : "DOES NOT MATCH");
            std::fflush(stdout);
        }
        complete = nowComplete;
        return images;
    });
}

// ---------------------------------------------------------------------------------------------

struct Runner {
    const char* name;
    int (*run)(const std::vector<std::string>& args);  // the arguments after the kind
};

constexpr Runner kRunners[] = {{"hbd", RunHbd}, {"kx2", RunKx2}};

void PrintUsage(std::FILE* out) {
    std::fputs(
        "usage: quillon7-sim KIND [options]   (quillon7-sim KIND --help for options;\n"
        "       quillon7-sim --version)\n",
        out);
    for (const UnitKindSpec& kind : UnitKinds()) {
        std::fprintf(out, "  %-6s %s\n", kind.name, kind.summary);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!quillon::OpenClosedStandardStreams()) {
        return 1;
    }
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("quillon7-sim v%d.%d\n", quillon::kVersionMajor, quillon::kVersionMinor);
        return 0;
    }
    for (const Runner& runner : kRunners) {
        if (std::strcmp(argv[1], runner.name) == 0) {
            return runner.run(std::vector<std::string>(argv + 2, argv + argc));
        }
    }
    std::fprintf(stderr, "quillon7-sim: unknown unit kind '%s'\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
