// The upload workers: one run on one open port, on the thread an upload session gives them. The
// worker reports everything as events to job.events and ends with WorkerDone, or with a single
// PortOpenFailed (exit code 1) when the port would not open. job.outcome tells how the run ended.
#pragma once

#include <functional>

#include "platform/Clock.h"
#include "program/ProgramState.h"
#include "serial/SerialBackend.h"
#include "serial/SerialPort.h"
#include "upload/UploadJob.h"

namespace quillon {

// What a worker needs besides its job: the line, the time and the program-wide values.
struct WorkerContext {
    SerialBackend& serial;
    Clock& clock;
    ProgramState& state;
};

// HBD mode: COMM, READER and SPEECH files in the configured order.
int RunHbdUploadWorker(UploadJob& job, WorkerContext& context);
// KX2 mode: the single .kx file in the COMM place.
int RunKx2UploadWorker(UploadJob& job, WorkerContext& context);

// For a program that ends at once while its worker is stuck (a second Ctrl-C): records the user's
// abort against the board in progress, unless its ending is recorded already. True when it wrote
// (or tried to write) an entry.
bool RecordStoppedRun(UploadJob& job, const std::string& appDir, Clock& clock);

// What both workers share: the baud code, the port opened (or PortOpenFailed and exit code 1),
// then `middle` on the open port, then the port closed, finished set, WorkerDone, exit code 0.
int RunOnOpenPort(UploadJob& job, WorkerContext& context,
                  const std::function<RunOutcome(SerialPort& port)>& middle);

}  // namespace quillon
