#include "upload/UploadThreads.h"

namespace quillon {

namespace {

// Steps 4 to 8 of the HBD run: settings, message log, packet counting and the files in order.
RunOutcome UploadHbdFiles(UploadJob& job, WorkerContext& context, CSerialPortInterface& port) {
    (void)job;
    (void)context;
    (void)port;
    return RunOutcome::kCompleted;  // the protocol engine arrives separately
}

}  // namespace

int HbdUploadThread(UploadJob& job, WorkerContext& context) {
    return RunWorkerFrame(job, context, [&](CSerialPortInterface& port) {
        return UploadHbdFiles(job, context, port);
    });
}

}  // namespace quillon
