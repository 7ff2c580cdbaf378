// Times a clean HBD upload of a 512 KiB COMM file (480 packets) over a pseudo-terminal with the
// real clock, the simulated unit answering at once. With nothing to wait for on the line, the
// time per packet is the engine's own overhead: it should be far below a 100 ms poll.
// --device PATH uploads to an already running `quillon7-sim hbd` instead of an in-process unit.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "BenchRun.h"
#include "sim/HbdUnit.h"
#include "sim/UnitRunner.h"

namespace {

constexpr size_t kKeptBack = 32768;
constexpr int kPackets = 480;
constexpr size_t kFileSize = kKeptBack + kPackets * 1024;  // 512 KiB

class FailureSink final : public quillon::EventSink {
  public:
    void Send(const quillon::UploadEvent& e) override {
        failed = failed || std::holds_alternative<quillon::event::FileFailed>(e);
    }
    bool failed = false;
};

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::string device;
    if (argc == 3 && std::strcmp(argv[1], "--device") == 0) {
        device = argv[2];
    }
    const fs::path dir = fs::temp_directory_path() / "quillon7-bench-hbd";
    fs::create_directories(dir);
    const fs::path file = dir / "BENCH_COMM.bin";
    {
        std::ofstream out(file, std::ios::binary);
        for (size_t i = 0; i < kFileSize; ++i) {
            out.put(static_cast<char>((i * 131 + (i >> 10)) & 0xFF));
        }
    }
    std::ofstream(dir / "Quillon.ini") << "[Logs]\nLog Messages=0\n[MISC]\nShow Upload Timing=0\n";

    quillon::sim::HbdUnit unit;
    std::unique_ptr<quillon::sim::UnitRunner> runner;
    if (device.empty()) {
        std::string error;
        std::optional<quillon::sim::PtyPair> pty = quillon::sim::PtyPair::Open(&error);
        if (!pty) {
            std::fprintf(stderr, "bench_hbd_pty: %s\n", error.c_str());
            return 1;
        }
        runner = std::make_unique<quillon::sim::UnitRunner>(unit, std::move(*pty));
        runner->Start();
        device = runner->DevicePath();
    }

    quillon::SystemClock clock;
    quillon::ProgramState state;
    state.appDir = dir.string() + "/";
    auto sink = std::make_shared<FailureSink>();
    const auto run =
        quillon::bench::RunUpload(state, clock, file.string(), false, device, 19200, sink);

    if (runner) {
        for (int i = 0; i < 200 && unit.Boards().empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        runner->Stop();
    }
    const bool delivered =
        !runner || (unit.Boards().size() == 1 && unit.Boards()[0].packets == kPackets);
    std::printf("HBD COMM upload, %d packets over %s: %s, %.3f s, %.1f packets/s, %.2f ms/packet\n",
                kPackets, device.c_str(), quillon::RunOutcomeName(run.outcome), run.seconds,
                kPackets / run.seconds, 1000.0 * run.seconds / kPackets);
    fs::remove_all(dir);
    return run.outcome == quillon::RunOutcome::kCompleted && delivered && !sink->failed ? 0 : 1;
}
