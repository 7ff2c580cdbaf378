#include "records/UploadHistory.h"
#include "serial/PortName.h"
#include "upload/UploadWorkers.h"

namespace quillon {

bool RecordStoppedRun(UploadJob& job, const std::string& appDir, Clock& clock) {
    const int kind = job.kindToRecord.exchange(0);
    const FirmwareImageRef& image = kind == kKindReader   ? job.readerImage
                                    : kind == kKindSpeech ? job.speechImage
                                                          : job.commImage;
    if (kind == 0 || !image) {
        return false;
    }
    UploadHistory(appDir, clock)
        .WriteUploadFailed(image->path, kind, "*** USER ABORTED UPLOAD ***");
    return true;
}

int RunWorkerFrame(UploadJob& job, WorkerContext& context,
                   const std::function<RunOutcome(SerialPort& port)>& middle) {
    SerialPort port(context.serial);
    job.baudCode = SerialPort::BaudCode(job.baudRate);

    const uint8_t portIndex = static_cast<uint8_t>(PortIndex(job.portNumber));
    context.serial.SetDevice(portIndex, job.portDevice);
    if (port.OpenPort(portIndex, job.baudCode) != 0) {
        port.ClosePort();  // a port refused after it opened must not stay held
        job.outcome = RunOutcome::kPortOpenFailed;
        job.notifications->Send(Notification(UM_PORT_OPEN_FAILED, job.portNumber));
        return 1;
    }

    RunOutcome outcome = middle(port);
    if (outcome == RunOutcome::kNotFinished) {
        outcome = RunOutcome::kCompleted;
    }

    port.ClosePort();
    job.outcome = outcome;
    job.finished = 1;
    job.notifications->Send(Notification(UM_WORKER_DONE));
    return 0;
}

}  // namespace quillon
