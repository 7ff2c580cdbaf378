// reliability_soak: the whole fault soak. Runs RUNS seeded schedules per protocol (default 200,
// seeds FIRST..FIRST+RUNS-1), prints every run that broke a rule and a summary table of the
// outcomes; exit status 1 when any run did.
//   reliability_soak [--runs N] [--first-seed S] [--protocol hbd|kx2|both] [--verbose]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "tests/reliability/FaultSoak.h"

namespace {

using namespace quillon;
using namespace quillon::test;

struct Tally {
    std::map<RunOutcome, int> outcomes;
    int runs = 0;
    int violations = 0;
    int boards = 0;
    int delivered = 0;
    int endUnconfirmed = 0;
    uint64_t maxVirtualMs = 0;
    long maxFloodRssKb = 0;
    double realSeconds = 0;
};

void PrintRow(const char* name, const Tally& t) {
    auto count = [&](RunOutcome o) {
        auto it = t.outcomes.find(o);
        return it == t.outcomes.end() ? 0 : it->second;
    };
    std::printf(
        "%-5s %5d %10d %7d %8d %14d %9d %10d/%-6d %8d %8llu %10ld %8.1f\n", name, t.runs,
        count(RunOutcome::kCompleted), count(RunOutcome::kFailed), count(RunOutcome::kAborted),
        count(RunOutcome::kNoFinalAnswer), t.violations, t.delivered, t.boards, t.endUnconfirmed,
        static_cast<unsigned long long>(t.maxVirtualMs / 1000), t.maxFloodRssKb, t.realSeconds);
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t runs = 200;
    uint32_t first = 1;
    std::string protocol = "both";
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--first-seed" && i + 1 < argc) {
            first = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--protocol" && i + 1 < argc) {
            protocol = argv[++i];
        } else if (arg == "--verbose") {
            verbose = true;
        } else {
            std::fprintf(stderr,
                         "usage: reliability_soak [--runs N] [--first-seed S] "
                         "[--protocol hbd|kx2|both] [--verbose]\n");
            return 2;
        }
    }
    std::map<std::string, Tally> tallies;
    for (const char* name : {"HBD", "KX2"}) {
        const bool hbd = std::strcmp(name, "HBD") == 0;
        if (protocol != "both" && protocol != (hbd ? "hbd" : "kx2")) {
            continue;
        }
        Tally& t = tallies[name];
        const auto start = std::chrono::steady_clock::now();
        for (uint32_t seed = first; seed < first + runs; ++seed) {
            const SoakRun run = hbd ? RunHbdSchedule(seed) : RunKx2Schedule(seed);
            ++t.runs;
            ++t.outcomes[run.outcome];
            t.boards += run.boards;
            t.delivered += run.delivered;
            t.endUnconfirmed += run.endUnconfirmed;
            t.maxVirtualMs = std::max(t.maxVirtualMs, run.virtualMs);
            if (run.flood) {
                t.maxFloodRssKb = std::max(t.maxFloodRssKb, run.rssGrowthKb);
            }
            if (!run.violations.empty()) {
                ++t.violations;
            }
            if (verbose || !run.violations.empty()) {
                std::printf("%s\n", Describe(run).c_str());
                if (verbose && !run.violations.empty()) {
                    std::printf("--- history\n%s--- last log lines\n", run.history.c_str());
                    for (const std::string& line : run.lastLines) {
                        std::printf("%s", line.c_str());
                    }
                }
                std::fflush(stdout);
            }
        }
        t.realSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    std::printf("\n%-5s %5s %10s %7s %8s %14s %9s %17s %8s %10s %8s\n", "unit", "runs", "completed",
                "failed", "aborted", "no-final-answ", "violating", "boards delivered", "max s",
                "flood KiB", "real s");
    int violating = 0;
    for (const auto& [name, t] : tallies) {
        PrintRow(name.c_str(), t);
        violating += t.violations;
    }
    return violating == 0 ? 0 : 1;
}
