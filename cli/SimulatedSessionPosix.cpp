#include "cli/SimulatedSession.h"

#include <cstdio>
#include <stdexcept>

#include "firmware/FileKind.h"
#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#include "sim/UnitRunner.h"

namespace quillon::cli {

namespace {

// How long the summary waits for the unit to take the upload's last bytes once the port is
// closed; they are normally there at once.
constexpr int kFinishLimitMs = 5000;

class HbdSession final : public SimulatedSession {
  public:
    HbdSession() : runner_(unit_) { runner_.Start(); }
    ~HbdSession() override { runner_.Stop(); }

    std::string DevicePath() const override { return runner_.DevicePath(); }
    std::string FinishAndReport() override {
        runner_.StopAfterHostCloses(kFinishLimitMs);
        std::string report;
        for (const sim::ReceivedBoard& board : unit_.Boards()) {
            char line[160];
            std::snprintf(line, sizeof line,
                          "Simulated HBD received %s: %zu bytes in %d packets, CRC %04X\n",
                          FileKindName(board.kind), board.image.size(), board.packets, board.crc);
            report += line;
        }
        return report;
    }

  private:
    sim::HbdUnit unit_;
    sim::UnitRunner runner_;
};

class Kx2Session final : public SimulatedSession {
  public:
    Kx2Session() : runner_(unit_) { runner_.Start(); }
    ~Kx2Session() override { runner_.Stop(); }

    std::string DevicePath() const override { return runner_.DevicePath(); }
    std::string FinishAndReport() override {
        runner_.StopAfterHostCloses(kFinishLimitMs);
        sim::Kx2Unit::Report report = unit_.GetReport();
        if (!report.start) {
            return "Simulated KX2 received no start request\n";
        }
        char line[200];
        std::snprintf(line, sizeof line,
                      "Simulated KX2 received %zu data frames; image %s (%zu bytes)\n",
                      report.dataFrames.size(),
                      report.complete && report.imageMatchesLength ? "complete" : "INCOMPLETE",
                      report.image.size());
        return line;
    }

  private:
    sim::Kx2Unit unit_;
    sim::UnitRunner runner_;
};

}  // namespace

std::unique_ptr<SimulatedSession> StartSimulatedUnit(bool kx2, std::string* error) {
    try {
        if (kx2) {
            return std::make_unique<Kx2Session>();
        }
        return std::make_unique<HbdSession>();
    } catch (const std::exception& e) {
        *error = e.what();
        return nullptr;
    }
}

}  // namespace quillon::cli
