#include "cli/SimulatedSession.h"

namespace quillon::cli {

// The simulated units run on a pseudo-terminal, which Windows does not have.
std::unique_ptr<SimulatedSession> StartSimulatedUnit(bool kx2, std::string* error) {
    (void)kx2;
    *error = "--simulate is not available on Windows yet: run the simulated unit (quillon7-sim) "
             "on Linux and connect it to a COM port";
    return nullptr;
}

}  // namespace quillon::cli
