#include "cli/SimulatedSession.h"

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <utility>

#include "firmware/FileKind.h"
#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#ifdef _WIN32
#include "sim/LoopbackSerialBackend.h"
#else
#include "sim/UnitRunner.h"
#endif

namespace quillon::cli {

namespace {

// How long the summary waits for the unit to take the upload's last bytes once the upload has
// ended; they are normally there at once.
constexpr int kFinishLimitMs = 5000;

#ifndef _WIN32
sim::PtyPair OpenPty() {
    std::string error;
    std::optional<sim::PtyPair> pty = sim::PtyPair::Open(&error);
    if (!pty) {
        throw std::runtime_error(error);
    }
    return std::move(*pty);
}
#endif

#ifdef _WIN32
// No pseudo-terminals: the unit sits behind an in-process line that the upload uses directly.
class UnitConnection {
  public:
    explicit UnitConnection(sim::SimulatedUnit& unit) : line_(unit) {}
    std::string DevicePath() const { return "the simulated unit"; }
    SerialBackend* Line() { return &line_; }
    void Finish(int limitMs) { line_.WaitUntilHostDone(limitMs); }

  private:
    sim::LoopbackSerialBackend line_;
};
#else
// The unit on a pseudo-terminal that the upload opens like any serial device.
class UnitConnection {
  public:
    explicit UnitConnection(sim::SimulatedUnit& unit) : runner_(unit, OpenPty()) {
        runner_.Start();
    }
    ~UnitConnection() { runner_.Stop(); }
    std::string DevicePath() const { return runner_.DevicePath(); }
    SerialBackend* Line() { return nullptr; }
    void Finish(int limitMs) { runner_.StopOnceDrained(limitMs); }

  private:
    sim::UnitRunner runner_;
};
#endif

class HbdSession final : public SimulatedSession {
  public:
    std::string DevicePath() const override { return connection_.DevicePath(); }
    SerialBackend* Line() override { return connection_.Line(); }
    std::string FinishAndReport() override {
        connection_.Finish(kFinishLimitMs);
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
    UnitConnection connection_{unit_};
};

class Kx2Session final : public SimulatedSession {
  public:
    std::string DevicePath() const override { return connection_.DevicePath(); }
    SerialBackend* Line() override { return connection_.Line(); }
    std::string FinishAndReport() override {
        connection_.Finish(kFinishLimitMs);
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
    UnitConnection connection_{unit_};
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
