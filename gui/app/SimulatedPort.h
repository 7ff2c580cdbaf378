// The simulated unit behind --simulate: an HBD or KX2 unit on a pseudo-terminal, run in this
// process so the whole program can be tried without hardware. A fresh unit is made for each
// upload, of the mode in force then; the last one lives until the program ends.
#pragma once

#include <memory>
#include <string>

namespace quillon {

class SimulatedPort {
  public:
    SimulatedPort();
    ~SimulatedPort();
    SimulatedPort(const SimulatedPort&) = delete;
    SimulatedPort& operator=(const SimulatedPort&) = delete;

    // The device of a new unit of that kind; empty with the reason in *error when no
    // pseudo-terminal could be had.
    std::string Renew(bool kx2, std::string* error);
    // The device of the unit running now (empty before the first Renew).
    std::string DevicePath() const;

  private:
    struct Unit;
    std::unique_ptr<Unit> unit_;
};

}  // namespace quillon
