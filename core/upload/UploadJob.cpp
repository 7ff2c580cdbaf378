#include "upload/UploadJob.h"

namespace quillon {

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
