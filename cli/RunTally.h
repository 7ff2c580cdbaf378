// What an upload run did to each board, gathered from the worker's notifications, for the
// console summary and the JSON result: state, time, failure step and cause, wrong tries, and
// the message log the run wrote (or the records it could not write).
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "upload/UploadEvents.h"
#include "upload/UploadJob.h"

namespace quillon::cli {

class RunTally {
  public:
    enum class BoardState { kNotAttempted, kRunning, kCompleted, kFailed };
    struct Board {
        FileKind kind{};
        std::string path;
        BoardState state = BoardState::kNotAttempted;
        int packets = 0;
        int estimate = 0;  // seconds
        int seconds = 0;   // taken, once completed
        int wrongTries = 0;
        int resent = 0;  // KX2: packets the unit asked for again
        // Tries gone wrong and packets sent again: what the views call retries.
        int Retries() const { return wrongTries + resent; }
        std::string failureStep;
        std::optional<FailureCause> failureCause;  // set when the worker said why it failed
    };

    // Boards in the order they will be uploaded.
    void Expect(FileKind kind, const std::string& path);
    // Takes in one notification. True when a board's retries grew: a log line that starts a try
    // gone wrong (the first level-0 line after other lines while a board runs), or a packet
    // the KX2 unit asked for again.
    bool Note(const UploadEvent& e);

    const std::vector<Board>& Boards() const { return boards_; }
    // The board of the current progress record, or nullptr.
    const Board* Find(FileKind kind) const;
    // The run's message log when one was opened and written, else "".
    const std::string& MessageLogPath() const { return messageLog_; }
    // True once the worker has sent its packet counts (the Estimates event).
    bool Counted() const { return counted_; }
    // True when a RecordLost with this text (RecordLostText) was taken in already.
    bool Lost(const std::string& what) const { return lost_.count(what) != 0; }
    // True when some history entry of the run could not be written.
    bool HistoryLost() const { return historyLost_; }
    // Sets the final state of every board still running from the run's outcome.
    void Finish(RunOutcome outcome);

  private:
    Board* FindMutable(FileKind kind);
    void TakeCounts(const UploadProgress& p);

    std::vector<Board> boards_;
    std::string messageLog_;
    bool counted_ = false;
    bool lastLineWasError_ = false;
    std::set<std::string> lost_;
    bool historyLost_ = false;
};

// "completed", "failed", "canceled", "not-attempted" as the JSON result and summary say them.
const char* BoardStateWord(RunTally::BoardState state, RunOutcome outcome);

}  // namespace quillon::cli
