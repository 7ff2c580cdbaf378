#include "upload/UploadThreads.h"

namespace quillon {

namespace {

// Steps 4 to 8 of the KX2 run: the "Prep 2" line, settings, message log and the .kx file.
RunOutcome UploadKx2File(UploadJob& job, WorkerContext& context, CSerialPortInterface& port) {
    (void)job;
    (void)context;
    (void)port;
    return RunOutcome::kCompleted;  // the protocol engine arrives separately
}

}  // namespace

int Kx2UploadThread(UploadJob& job, WorkerContext& context) {
    return RunWorkerFrame(job, context, [&](CSerialPortInterface& port) {
        return UploadKx2File(job, context, port);
    });
}

}  // namespace quillon
