#include "sim/SimulatedLine.h"

#include <cstdio>
#include <optional>
#include <utility>

#include "protocol/Boards.h"
#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#ifdef _WIN32
#include "sim/LoopbackSerialBackend.h"
#else
#include "serial/SystemSerialBackend.h"
#include "sim/UnitRunner.h"
#endif

namespace quillon::sim {

namespace {

// How long the report waits for the unit to take the upload's last bytes once the upload has
// ended; they are normally there at once.
constexpr int kFinishLimitMs = 5000;

#ifdef _WIN32
// No pseudo-terminals: the unit sits behind an in-process line that the upload uses directly.
class UnitConnection {
  public:
    static std::unique_ptr<UnitConnection> Open(SimulatedUnit& unit, std::string*) {
        return std::make_unique<UnitConnection>(unit);
    }
    explicit UnitConnection(SimulatedUnit& unit) : line_(unit) {}
    std::string DevicePath() const { return "the simulated unit"; }
    SerialBackend& Backend() { return line_; }
    void Finish(int limitMs) { line_.WaitUntilHostDone(limitMs); }

  private:
    LoopbackSerialBackend line_;
};
#else
// The unit on a pseudo-terminal that the upload opens like any serial device.
class UnitConnection {
  public:
    static std::unique_ptr<UnitConnection> Open(SimulatedUnit& unit, std::string* error) {
        std::optional<PtyPair> pty = PtyPair::Open(error);
        return pty ? std::make_unique<UnitConnection>(unit, std::move(*pty)) : nullptr;
    }
    UnitConnection(SimulatedUnit& unit, PtyPair pty)
        : runner_(unit, std::move(pty)), backend_(MakeSystemSerialBackend()) {
        runner_.Start();
    }
    std::string DevicePath() const { return runner_.DevicePath(); }
    SerialBackend& Backend() { return *backend_; }
    void Finish(int limitMs) { runner_.StopOnceDrained(limitMs); }

  private:
    UnitRunner runner_;
    std::shared_ptr<SerialBackend> backend_;  // closes its ports before the runner stops
};
#endif

std::string HbdReport(const HbdUnit& unit) {
    std::string report;
    for (const ReceivedBoard& board : unit.Boards()) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "Simulated HBD received %s: %zu bytes in %d packets, CRC %04X\n",
                      FileKindName(board.kind), board.image.size(), board.packets, board.crc);
        report += line;
    }
    return report;
}

std::string Kx2Report(const Kx2Unit& unit) {
    const Kx2Unit::Report report = unit.GetReport();
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

}  // namespace

// The unit and its line, shared by the SimulatedLine and every holder of its backend.
struct SimulatedLine::Running {
    std::unique_ptr<HbdUnit> hbd;  // one of the two
    std::unique_ptr<Kx2Unit> kx2;
    std::unique_ptr<UnitConnection> connection;  // declared last: stops before the unit goes
    std::string devicePath;
};

SimulatedLine::SimulatedLine(std::shared_ptr<Running> running) : running_(std::move(running)) {}

SimulatedLine::~SimulatedLine() = default;

std::unique_ptr<SimulatedLine> SimulatedLine::Start(bool kx2, std::string* error) {
    auto running = std::make_shared<Running>();
    SimulatedUnit* unit = nullptr;
    if (kx2) {
        running->kx2 = std::make_unique<Kx2Unit>();
        unit = running->kx2.get();
    } else {
        running->hbd = std::make_unique<HbdUnit>();
        unit = running->hbd.get();
    }
    running->connection = UnitConnection::Open(*unit, error);
    if (!running->connection) {
        return nullptr;
    }
    running->devicePath = running->connection->DevicePath();
    return std::unique_ptr<SimulatedLine>(new SimulatedLine(std::move(running)));
}

const std::string& SimulatedLine::DevicePath() const {
    return running_->devicePath;
}

std::shared_ptr<SerialBackend> SimulatedLine::Backend() const {
    return std::shared_ptr<SerialBackend>(running_, &running_->connection->Backend());
}

std::string SimulatedLine::FinishAndReport() {
    running_->connection->Finish(kFinishLimitMs);
    return running_->hbd ? HbdReport(*running_->hbd) : Kx2Report(*running_->kx2);
}

}  // namespace quillon::sim
