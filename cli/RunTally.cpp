#include "cli/RunTally.h"

namespace quillon::cli {

namespace {

constexpr std::string_view kHistoryEntry = "history entry";  // as the uploaders name it

}  // namespace

void RunTally::Expect(int kind, const std::string& path) {
    Board board;
    board.kind = kind;
    board.path = path;
    boards_.push_back(board);
}

RunTally::Board* RunTally::FindMutable(int kind) {
    for (Board& board : boards_) {
        if (board.kind == kind) {
            return &board;
        }
    }
    return nullptr;
}

const RunTally::Board* RunTally::Find(int kind) const {
    return const_cast<RunTally*>(this)->FindMutable(kind);
}

void RunTally::TakeCounts(const UploadProgress& p) {
    struct Count {
        int kind;
        int packets;
        int estimate;
    };
    const Count counts[] = {{kKindComm, p.commPackets, p.commEstimate},
                            {kKindReader, p.readerPackets, p.readerEstimate},
                            {kKindSpeech, p.speechPackets, p.speechEstimate}};
    for (const Count& count : counts) {
        if (Board* board = FindMutable(count.kind)) {
            board->packets = count.packets;
            board->estimate = count.estimate;
        }
    }
    counted_ = true;
}

bool RunTally::Note(const Notification& n) {
    Board* board = n.progress != nullptr ? FindMutable(n.progress->currentKind) : nullptr;
    bool wrongTry = false;
    switch (n.code) {
        case UM_LOG_LINE: {
            const bool error = n.wParam == kLevelError;
            for (Board& b : boards_) {
                if (b.state == BoardState::kRunning && error && !lastLineWasError_) {
                    ++b.wrongTries;
                    wrongTry = true;
                }
            }
            lastLineWasError_ = error;
            break;
        }
        case UM_RECORD_LOST:
            lost_.insert(std::string(n.text));
            historyLost_ = historyLost_ || n.text.starts_with(kHistoryEntry);
            break;
        case UM_MESSAGE_LOG_OPENED:
            messageLog_ = std::string(n.text);
            break;
        case UM_PROGRESS:
            if (n.wParam == 1 && n.progress != nullptr) {
                TakeCounts(*n.progress);
            } else if (board != nullptr && n.progress->packetsResent > board->resent) {
                board->resent = n.progress->packetsResent;
                wrongTry = true;
            }
            break;
        case UM_FILE_START:
            if (board != nullptr) {
                board->state = BoardState::kRunning;
            }
            break;
        case UM_FILE_DONE:
            if (board != nullptr) {
                board->state = BoardState::kCompleted;
                board->seconds = n.progress->lastFileElapsed;
            }
            break;
        case UM_FILE_FAILED:
            if (board != nullptr) {
                board->state = BoardState::kFailed;
                board->failureStep = std::string(n.failureStep);
                board->failureCause = std::string(n.failureCause);
            }
            break;
        default:
            break;
    }
    return wrongTry;
}

void RunTally::Finish(RunOutcome outcome) {
    for (Board& board : boards_) {
        if (board.state == BoardState::kRunning) {
            board.state =
                outcome == RunOutcome::kCompleted ? BoardState::kCompleted : BoardState::kFailed;
        }
    }
}

const char* BoardStateWord(RunTally::BoardState state, RunOutcome outcome) {
    switch (state) {
        case RunTally::BoardState::kCompleted:
            return "completed";
        case RunTally::BoardState::kNotAttempted:
            return "not-attempted";
        default:
            return outcome == RunOutcome::kAborted ? "canceled" : "failed";
    }
}

}  // namespace quillon::cli
