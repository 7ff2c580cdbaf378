#include "cli/JsonReporter.h"

#include <algorithm>

#include "cli/JsonLine.h"
#include "upload/ProgressTexts.h"

namespace quillon::cli {

namespace {

constexpr int kEstimatesReady = 1;  // UM_PROGRESS's wParam when it carries the packet counts
constexpr int kPortExitStatus = 3;  // the exit status of a port that would not open

const char* OutcomeWord(RunOutcome outcome, int exitCode) {
    switch (outcome) {
        case RunOutcome::kCompleted:
            return "completed";
        case RunOutcome::kFailed:
            return "failed";
        case RunOutcome::kAborted:
            return "canceled";
        case RunOutcome::kNoFinalAnswer:
            return "unconfirmed";
        case RunOutcome::kPortOpenFailed:
            return "port-failed";
        default:  // ended before the worker ran
            return exitCode == kPortExitStatus ? "port-failed" : "refused";
    }
}

}  // namespace

std::string JsonErrorLine(int number, const std::string& text, const std::string& file) {
    JsonLine line("error");
    line.Number("number", number);
    file.empty() ? line.Null("file") : line.Text("file", file);
    return line.Text("text", text).Line();
}

std::string JsonReporter::BoardName(int kind) const {
    return unit_ == "KX2" ? "KX2" : FileKindName(kind);
}

void JsonReporter::Put(const std::string& line) {
    std::fputs(line.c_str(), out_);
    std::fflush(out_);
}

void JsonReporter::Start(const UploadProgress& p) {
    std::string files = "[";
    for (const RunTally::Board& board : tally_.Boards()) {
        files += (files.size() > 1 ? "," : "") + std::string("{\"board\":") +
                 JsonLine::Quote(BoardName(board.kind)) +
                 ",\"path\":" + JsonLine::Quote(board.path) +
                 ",\"packets\":" + std::to_string(board.packets) +
                 ",\"estimate\":" + std::to_string(board.estimate) + "}";
    }
    Put(JsonLine("start")
            .Text("unit", unit_)
            .Text("port", port_)
            .Number("baud", baud_)
            .Raw("files", files + "]")
            .Number("estimate", p.totalRemaining)
            .Line());
}

void JsonReporter::Send(const Notification& n) {
    const bool newLoss = n.code == UM_RECORD_LOST && !tally_.Lost(n.text);
    const bool wrongTry = tally_.Note(n);
    const UploadProgress* p = n.progress;
    switch (n.code) {
        case UM_LOG_LINE:
            Put(JsonLine("log").Number("level", n.wParam).Text("text", n.text).Line());
            if (n.wParam == kLevelError) {
                std::fprintf(err_, "%.*s%s", static_cast<int>(n.text.size()), n.text.data(),
                             n.text.ends_with('\n') ? "" : "\n");
                std::fflush(err_);
            }
            break;
        case UM_TX_BYTES:
        case UM_RX_BYTES: {
            std::string hex;
            char pair[4];
            for (uint8_t b : n.bytes) {
                std::snprintf(pair, sizeof pair, "%02X", b);
                hex += pair;
            }
            Put(JsonLine("bytes")
                    .Text("direction", n.code == UM_TX_BYTES ? "sent" : "received")
                    .Text("hex", hex)
                    .Line());
            break;
        }
        case UM_AWAITING_CONFIRMATION:
            Put(JsonLine("waiting").Number("secondsLeft", n.wParam).Line());
            break;
        case UM_PROGRESS:
            if (n.wParam == kEstimatesReady) {
                Start(*p);
            } else {
                Put(JsonLine("progress")
                        .Text("board", BoardName(p->currentKind))
                        .Number("sent", std::min(p->currentPacketsSent, p->currentPackets))
                        .Number("total", p->currentPackets)
                        .Number("percent",
                                ProgressPercent(p->currentPacketsSent, p->currentPackets))
                        .Number("secondsLeft", p->totalRemaining)
                        .Number("boardSecondsLeft", p->currentRemaining)
                        .Line());
            }
            break;
        case UM_FILE_START:
            Put(JsonLine("file-start")
                    .Text("board", BoardName(p->currentKind))
                    .Text("path", p->currentPath)
                    .Number("packets", p->currentPackets)
                    .Line());
            break;
        case UM_DELAY_TICK:
            Put(JsonLine("pause")
                    .Number("secondsLeft", p->delayRemaining)
                    .Number("seconds", p->delayLength)
                    .Line());
            break;
        case UM_FILE_DONE:
            Put(JsonLine("file-done")
                    .Text("board", BoardName(p->currentKind))
                    .Text("path", p->currentPath)
                    .Number("seconds", p->lastFileElapsed)
                    .Line());
            break;
        case UM_FILE_FAILED:
            Put(JsonLine("file-failed")
                    .Text("board", BoardName(p->currentKind))
                    .Text("path", p->currentPath)
                    .Text("step", n.failureStep)
                    .Text("cause", n.failureCause)
                    .Line());
            break;
        case UM_RECORD_LOST:
            if (newLoss) {
                Put(JsonErrorLine(0, "not written: " + std::string(n.text)));
            }
            break;
        case UM_PORT_OPEN_FAILED:
            Put(JsonErrorLine(0, "the serial port did not open for the upload"));
            break;
        case UM_INTERNAL_ERROR:
            Put(JsonErrorLine(0, "internal error in the upload worker"));
            break;
        default:
            break;
    }
    for (const RunTally::Board& board : tally_.Boards()) {
        if (wrongTry && board.state == RunTally::BoardState::kRunning) {
            Put(JsonLine("retry")
                    .Text("board", BoardName(board.kind))
                    .Number("count", board.Retries())
                    .Line());
        }
    }
}

void JsonReporter::PrintResult(RunOutcome outcome, int exitCode) {
    tally_.Finish(outcome);
    std::string boards = "[";
    for (const RunTally::Board& board : tally_.Boards()) {
        boards += (boards.size() > 1 ? "," : "") + std::string("{\"board\":") +
                  JsonLine::Quote(BoardName(board.kind)) +
                  ",\"path\":" + JsonLine::Quote(board.path) +
                  ",\"outcome\":" + JsonLine::Quote(BoardStateWord(board.state, outcome));
        if (board.state == RunTally::BoardState::kCompleted && unit_ != "KX2") {
            boards += ",\"seconds\":" + std::to_string(board.seconds);
        }
        if (!board.failureCause.empty()) {
            boards += ",\"step\":" + JsonLine::Quote(board.failureStep) +
                      ",\"cause\":" + JsonLine::Quote(board.failureCause);
        }
        boards += "}";
    }
    JsonLine line("result");
    line.Text("outcome", OutcomeWord(outcome, exitCode))
        .Number("exitCode", exitCode)
        .Raw("boards", boards + "]");
    tally_.MessageLogPath().empty() ? line.Null("messageLog")
                                    : line.Text("messageLog", tally_.MessageLogPath());
    Put(line.Line());
}

}  // namespace quillon::cli
