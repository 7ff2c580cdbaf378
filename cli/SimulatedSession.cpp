#include "cli/SimulatedSession.h"

#include <cstdio>
#include <stdexcept>

#include "files/FileKind.h"
#include "sim/HbdUnit.h"
#include "sim/UnitRunner.h"

namespace quillon::cli {

namespace {

class HbdSession final : public SimulatedSession {
  public:
    HbdSession() : runner_(unit_) { runner_.Start(); }
    ~HbdSession() override { runner_.Stop(); }

    std::string DevicePath() const override { return runner_.DevicePath(); }
    std::string Report() const override {
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

}  // namespace

std::unique_ptr<SimulatedSession> StartSimulatedUnit(bool kx2, std::string* error) {
    try {
        if (kx2) {
            *error = "no simulated KX2 unit in this build";
            return nullptr;
        }
        return std::make_unique<HbdSession>();
    } catch (const std::exception& e) {
        *error = e.what();
        return nullptr;
    }
}

}  // namespace quillon::cli
