#include "upload/Kx2Uploader.h"
#include "upload/UploadWorkers.h"

namespace quillon {

namespace {

// Between port open and port close of the KX2 run: the "Prep 2" line, settings, message log and
// the .kx file.
RunOutcome UploadKx2File(UploadJob& job, WorkerContext& context, SerialPort& port) {
    Kx2Uploader kx2(port, job, context.clock, context.state);
    kx2.Log().PostLogLine(kLevelPrep, "Prep 2: Success; open serial port %d, baud-rate %d= \n",
                          job.portNumber, job.baudRate);
    kx2.LoadUploadSettings();
    kx2.Log().SetLine(port, job);
    kx2.Log().OpenMessageLog();
    SerialDataLog serialLog(context.clock, context.state.appDir);
    if (kx2.CurrentSettings().logSerialData &&
        NoteRecordWritten(*job.notifications, serialLog.Open(),
                          "serial log " + serialLog.FilePath())) {
        kx2.SetSerialDataLog(&serialLog);
    }

    RunOutcome outcome = RunOutcome::kCompleted;  // nothing selected: nothing to do
    if (job.commImage) {
        kx2.UploadFile(*job.commImage);
        outcome = kx2.Outcome();
    }
    kx2.SetSerialDataLog(nullptr);
    serialLog.Close();
    kx2.Log().Close();
    return outcome;
}

}  // namespace

int RunKx2UploadWorker(UploadJob& job, WorkerContext& context) {
    return RunWorkerFrame(job, context,
                          [&](SerialPort& port) { return UploadKx2File(job, context, port); });
}

}  // namespace quillon
