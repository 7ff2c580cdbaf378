// The built-in simulated unit of `upload --simulate`: an HBD or KX2 unit on a pseudo-terminal
// (on Windows behind an in-process line), run in this process for the length of one upload, so
// a complete run needs no hardware.
#pragma once

#include <memory>
#include <string>

#include "serial/SerialBackend.h"

namespace quillon::cli {

class SimulatedSession {
  public:
    virtual ~SimulatedSession() = default;
    virtual std::string DevicePath() const = 0;
    // The line to upload through instead of opening DevicePath, or nullptr to open it.
    virtual SerialBackend* Line() = 0;
    // One line per board the unit received, for the summary. Call it once the upload has ended:
    // it stops the unit after it has taken every byte the upload wrote.
    virtual std::string FinishAndReport() = 0;
};

// nullptr with a sentence in *error when no pseudo-terminal could be had.
std::unique_ptr<SimulatedSession> StartSimulatedUnit(bool kx2, std::string* error);

}  // namespace quillon::cli
