// Times a clean KX2 upload of a 300,000-byte file with the default 150 ms pacing over a
// pseudo-terminal, with the real clock, and compares it with its lower bound:
// packets x (frame wire time + pacing). A pty moves bytes unpaced, so the wire time is ~0.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>

#include "BenchRun.h"
#include "sim/Kx2Unit.h"
#include "sim/UnitRunner.h"

namespace {

constexpr size_t kFileSize = 300000;
constexpr int kPacingMs = 150;
constexpr int kPayload = 1014;

}  // namespace

int main() {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "quillon7-bench-kx2";
    fs::create_directories(dir);
    const fs::path file = dir / "BENCH.kx";
    {
        std::ofstream out(file, std::ios::binary);
        for (size_t i = 0; i < kFileSize; ++i) {
            out.put(static_cast<char>((i * 31) & 0xFF));
        }
    }
    std::ofstream(dir / "Quillon.ini") << "[Logs]\nLog Messages=0\n[MISC]\nShow Upload Timing=1\n";

    quillon::sim::Kx2Unit unit;
    std::string error;
    std::optional<quillon::sim::PtyPair> pty = quillon::sim::PtyPair::Open(&error);
    if (!pty) {
        std::fprintf(stderr, "bench_kx2_pty: %s\n", error.c_str());
        return 1;
    }
    quillon::sim::UnitRunner runner(unit, std::move(*pty));
    runner.Start();

    quillon::ProgramState state;
    state.appDir = dir.string() + "/";
    quillon::SystemClock clock;
    const auto run = quillon::bench::RunUpload(
        state, clock, file.string(), true, runner.DevicePath(), 115200,
        std::make_shared<quillon::EventHandlerSink<void (*)(const quillon::UploadEvent&)>>(
            [](const quillon::UploadEvent&) {}));
    runner.Stop();

    const auto report = unit.GetReport();
    const int packets = static_cast<int>((kFileSize + kPayload - 1) / kPayload);
    const double bound = packets * (kPacingMs / 1000.0);
    std::printf("outcome %s, image %s, %zu data frames, %zu status requests\n",
                quillon::RunOutcomeName(run.outcome),
                report.imageMatchesLength ? "complete" : "INCOMPLETE", report.dataFrames.size(),
                report.statusRequests);
    std::printf("%d packets: %.2f s, lower bound %.2f s (+%.2f s, %.1f%%)\n", packets, run.seconds,
                bound, run.seconds - bound, 100.0 * (run.seconds - bound) / bound);
    fs::remove_all(dir);
    return run.outcome == quillon::RunOutcome::kCompleted ? 0 : 1;
}
