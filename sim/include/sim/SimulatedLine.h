// The built-in simulated unit of `--simulate`: an HBD or KX2 unit running in this process behind
// a serial line, so a whole upload can be tried without hardware. On POSIX the unit stands on a
// pseudo-terminal that the system's serial library opens like any device; Windows has none, so
// there the line is an in-process loopback that is its own serial library.
#pragma once

#include <memory>
#include <string>

#include "serial/SerialBackend.h"

namespace quillon::sim {

class SimulatedLine {
  public:
    // A running unit of that kind; nullptr with the reason in *error when no line could be had.
    static std::unique_ptr<SimulatedLine> Start(bool kx2, std::string* error);
    ~SimulatedLine();
    SimulatedLine(const SimulatedLine&) = delete;
    SimulatedLine& operator=(const SimulatedLine&) = delete;

    // The device to open and to show: the pseudo-terminal's path, or words naming the unit.
    const std::string& DevicePath() const;
    // The serial library to open DevicePath with. The unit runs as long as anyone holds it, so a
    // worker still using it may outlive this object.
    std::shared_ptr<SerialBackend> Backend() const;
    // What the unit received, one line per board (KX2: one line for the image). Call it once the
    // upload has ended: it waits until the unit has taken every byte written (a few seconds at
    // most), then stops it.
    std::string FinishAndReport();

  private:
    struct Running;
    explicit SimulatedLine(std::shared_ptr<Running> running);

    std::shared_ptr<Running> running_;
};

}  // namespace quillon::sim
