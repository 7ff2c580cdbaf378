#include "settings/IniFile.h"
#include "upload/HbdUploader.h"
#include "upload/UploadWorkers.h"

namespace quillon {

namespace {

struct FileToUpload {
    const std::optional<std::string>& path;
    int kind;
};

// Steps 4 to 8 of the HBD run: settings, message log, packet counting and the files in order.
RunOutcome UploadHbdFiles(UploadJob& job, WorkerContext& context, SerialPort& port) {
    HbdUploader worker(job, port, context.clock, context.state);
    worker.LoadUploadSettings(IniFile(context.state.IniPath()));
    worker.OpenMessageLog();  // a run without a log file still uploads

    RunOutcome outcome = RunOutcome::kCompleted;
    if (worker.CountPackets() < 0) {
        outcome = RunOutcome::kFailed;
    } else {
        worker.Log().PostLogLine(kLevelPrep, "Prep 2: Success; open/configure serial port\n");
        const FileToUpload first{job.commFirst ? job.commFile : job.readerFile,
                                 job.commFirst ? kKindComm : kKindReader};
        const FileToUpload second{job.commFirst ? job.readerFile : job.commFile,
                                  job.commFirst ? kKindReader : kKindComm};
        const FileToUpload order[] = {first, second, {job.speechFile, kKindSpeech}};
        for (const FileToUpload& file : order) {
            if (job.abortRequest != 0) {
                outcome = RunOutcome::kAborted;
                break;
            }
            if (!file.path) {
                continue;
            }
            if (!worker.UploadFile(*file.path, file.kind)) {
                outcome = job.abortRequest != 0 ? RunOutcome::kAborted : RunOutcome::kFailed;
                break;
            }
        }
    }
    worker.CloseMessageLog();
    return outcome;
}

}  // namespace

int RunHbdUploadWorker(UploadJob& job, WorkerContext& context) {
    return RunWorkerFrame(job, context,
                          [&](SerialPort& port) { return UploadHbdFiles(job, context, port); });
}

}  // namespace quillon
