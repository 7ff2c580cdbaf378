#include "cli/RunTally.h"

namespace quillon::cli {

void RunTally::Expect(FileKind kind, const std::string& path) {
    Board board;
    board.kind = kind;
    board.path = path;
    boards_.push_back(board);
}

RunTally::Board* RunTally::FindMutable(FileKind kind) {
    for (Board& board : boards_) {
        if (board.kind == kind) {
            return &board;
        }
    }
    return nullptr;
}

const RunTally::Board* RunTally::Find(FileKind kind) const {
    return const_cast<RunTally*>(this)->FindMutable(kind);
}

void RunTally::TakeCounts(const UploadProgress& p) {
    for (const BoardSpec& spec : kBoards) {
        if (Board* board = FindMutable(spec.kind)) {
            board->packets = p.Board(spec.kind).packets;
            board->estimate = p.Board(spec.kind).estimate;
        }
    }
    counted_ = true;
}

bool RunTally::Note(const UploadEvent& e) {
    const UploadProgress* p = EventProgress(e);
    Board* board = p != nullptr ? FindMutable(p->currentKind) : nullptr;
    bool wrongTry = false;
    std::visit(
        Overloaded{
            [&](const event::LogLine& line) {
                const bool error = line.level == kLevelError;
                for (Board& b : boards_) {
                    if (b.state == BoardState::kRunning && error && !lastLineWasError_) {
                        ++b.wrongTries;
                        wrongTry = true;
                    }
                }
                lastLineWasError_ = error;
            },
            [&](const event::RecordLost& lost) {
                lost_.insert(RecordLostText(lost));
                historyLost_ = historyLost_ || lost.record == RunRecord::kHistory;
            },
            [&](const event::MessageLogOpened& opened) { messageLog_ = std::string(opened.path); },
            [&](const event::Estimates& estimates) { TakeCounts(estimates.progress); },
            [&](const event::PacketSent& sent) {
                if (board != nullptr && sent.progress.packetsResent > board->resent) {
                    board->resent = sent.progress.packetsResent;
                    wrongTry = true;
                }
            },
            [&](const event::FileStart&) {
                if (board != nullptr) {
                    board->state = BoardState::kRunning;
                }
            },
            [&](const event::FileDone& done) {
                if (board != nullptr) {
                    board->state = BoardState::kCompleted;
                    board->seconds = done.progress.lastFileElapsed;
                }
            },
            [&](const event::FileFailed& failed) {
                if (board != nullptr) {
                    board->state = BoardState::kFailed;
                    board->failureStep = std::string(failed.step);
                    board->failureCause = failed.cause;
                }
            },
            [](const auto&) {},
        },
        e);
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
