#include "upload/Kx2Uploader.h"
#include "upload/UploadWorkers.h"

namespace quillon {

namespace {

// Between port open and port close of the KX2 run: the "Prep 2" line, settings, message log and
// the .kx file.
RunOutcome UploadKx2File(UploadJob& job, WorkerContext& context, SerialPort& port) {
    Kx2Uploader kx2(job, port, context.clock, context.state);
    kx2.Log().PostLogLine(kLevelPrep, "Prep 2: Success; open serial port %d, baud-rate %d= \n",
                          job.portNumber, job.baudRate);
    kx2.LoadUploadSettings();
    kx2.OpenMessageLog();                         // a run without a log file still uploads
    RunOutcome outcome = RunOutcome::kCompleted;  // nothing selected: nothing to do
    if (job.commImage) {
        kx2.UploadFile(*job.commImage);
        outcome = kx2.Outcome();
    }
    kx2.CloseMessageLog();
    return outcome;
}

}  // namespace

int RunKx2UploadWorker(UploadJob& job, WorkerContext& context) {
    return RunOnOpenPort(job, context,
                         [&](SerialPort& port) { return UploadKx2File(job, context, port); });
}

}  // namespace quillon
