#include "settings/IniFile.h"
#include "upload/HbdUploader.h"
#include "upload/UploadWorkers.h"

namespace quillon {

namespace {

struct FileToUpload {
    const FirmwareImage* image;
    FileKind kind;
};

// The selected boards in the order they are loaded: COMM and READER as "Load COMM First" says,
// SPEECH last.
std::vector<FileToUpload> LoadOrder(const UploadJob& job) {
    const FileToUpload comm{job.commImage.get(), FileKind::kComm};
    const FileToUpload reader{job.readerImage.get(), FileKind::kReader};
    std::vector<FileToUpload> order;
    for (const FileToUpload& file : {job.commFirst ? comm : reader, job.commFirst ? reader : comm,
                                     FileToUpload{job.speechImage.get(), FileKind::kSpeech}}) {
        if (file.image != nullptr) {
            order.push_back(file);
        }
    }
    return order;
}

// Between port open and port close of the HBD run: settings, message log, packet counting and
// the boards in order, with the pause the unit needs between two boards.
RunOutcome UploadHbdFiles(UploadJob& job, WorkerContext& context, SerialPort& port) {
    HbdUploader uploader(job, port, context.clock, context.state);
    uploader.LoadUploadSettings(IniFile(context.state.IniPath()));
    uploader.OpenMessageLog();  // a run without a log file still uploads

    RunOutcome outcome = RunOutcome::kCompleted;
    if (uploader.EstimateRunSeconds() < 0) {
        outcome = RunOutcome::kFailed;
    } else {
        uploader.Log().PostLogLine(kLevelPrep, "Prep 2: Success; open/configure serial port\n");
        const std::vector<FileToUpload> order = LoadOrder(job);
        for (size_t i = 0; i < order.size(); ++i) {
            if (job.abortRequest) {
                // Nothing of this board was sent; the history still says why it was not.
                uploader.RecordAbortBefore(*order[i].image, order[i].kind);
                outcome = RunOutcome::kAborted;
                break;
            }
            bool ok = uploader.UploadFile(*order[i].image, order[i].kind);
            if (ok && i + 1 < order.size()) {
                ok = uploader.PauseBeforeNextFile(*order[i + 1].image, order[i + 1].kind);
            }
            if (!ok) {
                outcome = job.abortRequest ? RunOutcome::kAborted : RunOutcome::kFailed;
                break;
            }
        }
    }
    uploader.CloseMessageLog();
    return outcome;
}

}  // namespace

int RunHbdUploadWorker(UploadJob& job, WorkerContext& context) {
    return RunOnOpenPort(job, context,
                         [&](SerialPort& port) { return UploadHbdFiles(job, context, port); });
}

}  // namespace quillon
