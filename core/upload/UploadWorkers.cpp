#include "upload/UploadWorkers.h"
#include "records/UploadHistory.h"
#include "serial/PortName.h"

namespace quillon {

bool RecordStoppedRun(UploadJob& job, const std::string& appDir, Clock& clock) {
    const auto kind = static_cast<FileKind>(job.kindToRecord.exchange(0));
    const FirmwareImage* image = job.Image(kind);
    if (image == nullptr) {
        return false;
    }
    UploadHistory(appDir, clock)
        .WriteUploadFailed(image->path, kind, "*** USER ABORTED UPLOAD ***");
    return true;
}

int RunOnOpenPort(UploadJob& job, WorkerContext& context,
                  const std::function<RunOutcome(SerialPort& port)>& middle) {
    SerialPort port(context.serial);
    job.baudCode = SerialPort::BaudCode(job.baudRate);

    const int portIndex = PortIndex(job.portNumber);
    context.serial.SetDevice(portIndex, job.portDevice);
    if (portIndex < 0 || port.OpenPort(static_cast<uint8_t>(portIndex), job.baudCode) != 0) {
        port.ClosePort();  // a port refused after it opened must not stay held
        job.outcome = RunOutcome::kPortOpenFailed;
        job.events->Send(event::PortOpenFailed{job.portNumber});
        return 1;
    }

    RunOutcome outcome = middle(port);
    if (outcome == RunOutcome::kNotFinished) {
        outcome = RunOutcome::kCompleted;
    }

    port.ClosePort();
    job.outcome = outcome;
    job.finished = true;
    job.events->Send(event::WorkerDone{outcome});
    return 0;
}

}  // namespace quillon
