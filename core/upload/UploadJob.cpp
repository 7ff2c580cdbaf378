#include "upload/UploadJob.h"

namespace quillon {

UploadJob::UploadJob(const UploadJob& other)
    : commFirst(other.commFirst),
      speechFile(other.speechFile),
      commFile(other.commFile),
      readerFile(other.readerFile),
      portNumber(other.portNumber),
      baudRate(other.baudRate),
      baudCode(other.baudCode),
      notifications(other.notifications),
      portDevice(other.portDevice) {}

const char* RunOutcomeName(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::kNotFinished:
            return "not finished";
        case RunOutcome::kCompleted:
            return "completed";
        case RunOutcome::kFailed:
            return "failed";
        case RunOutcome::kAborted:
            return "aborted";
        case RunOutcome::kNoFinalAnswer:
            return "no final answer";
        case RunOutcome::kPortOpenFailed:
            return "port open failed";
    }
    return "?";
}

}  // namespace quillon
