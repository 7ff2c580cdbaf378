// The upload worker threads: one run on one open port. Callers start them on a thread of their
// own (std::thread) with a job and the context; the worker reports everything through the job's
// window and ends with UM_WORKER_DONE, or with a single UM_PORT_OPEN_FAILED (exit code 1) when
// the port would not open. job.outcome tells callers how the run ended.
#pragma once

#include <functional>

#include "platform/Clock.h"
#include "platform/ProgramState.h"
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

// The part both threads share: baud code, port open (or UM_PORT_OPEN_FAILED and exit code 1),
// then `middle` on the open port, then close, finished = 1, UM_WORKER_DONE, exit code 0.
int RunWorkerFrame(UploadJob& job, WorkerContext& context,
                   const std::function<RunOutcome(SerialPort& port)>& middle);

}  // namespace quillon
