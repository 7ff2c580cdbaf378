// The application object: owns the seams every window goes through (dialog runner, file picker,
// sound player); runs the main window, with --simulate on a simulated unit, until it closes.
#pragma once

#include <memory>

#include "dialogs/DialogRunner.h"
#include "dialogs/FilePicker.h"
#include "dialogs/SystemSoundPreview.h"
#include "dialogs/ThreadedSoundPlayer.h"
#include "dialogs/UploadSessions.h"
#include "platform/Clock.h"
#include "program/ProgramState.h"

namespace quillon {

class MainWindow;

class Quillon7App {
  public:
    explicit Quillon7App(ProgramState& state);
    ~Quillon7App();
    Quillon7App(const Quillon7App&) = delete;
    Quillon7App& operator=(const Quillon7App&) = delete;

    // A unit of the start-up mode is made on a pseudo-terminal and chosen as the port (the
    // settings file keeps the real port). When no pseudo-terminal can be had the reason goes to
    // stderr and the program runs on the configured port.
    void EnableSimulation() { simulate_ = true; }

    // Shows the main window; returns when it has closed (the program's exit code).
    int Run();

  private:
    ProgramState& state_;
    DialogRunner runner_;
    FilePicker picker_;
    SystemSoundPreview preview_;
    SystemClock clock_;
    ThreadedSoundPlayer alerts_;
    bool simulate_ = false;
    // Last of the windows' services to go: the runs it keeps use the sounds above (and hold the
    // simulated unit's line themselves).
    UploadSessions sessions_;
};

}  // namespace quillon
