#include "cli/JsonReporter.h"

#include <algorithm>

#include "cli/CliContext.h"
#include "cli/JsonLine.h"
#include "text/TextFormat.h"
#include "upload/ProgressTexts.h"

namespace quillon::cli {

namespace {

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
            return exitCode == kExitPortFailed ? "port-failed" : "refused";
    }
}

}  // namespace

std::string JsonErrorLine(int number, const std::string& text, const std::string& file) {
    JsonLine line("error");
    line.Number("number", number);
    file.empty() ? line.Null("file") : line.Text("file", file);
    return line.Text("text", text).Line();
}

std::string JsonReporter::BoardName(FileKind kind) const {
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

void JsonReporter::Bytes(const char* direction, std::span<const uint8_t> bytes) {
    Put(JsonLine("bytes").Text("direction", direction).Text("hex", HexBytes(bytes, "")).Line());
}

std::string JsonReporter::ProgressLine(const UploadProgress& p) const {
    return JsonLine("progress")
        .Text("board", BoardName(p.currentKind))
        .Number("sent", std::min(p.currentPacketsSent, p.currentPackets))
        .Number("total", p.currentPackets)
        .Number("percent", ProgressPercent(p.currentPacketsSent, p.currentPackets))
        .Number("secondsLeft", p.totalRemaining)
        .Number("boardSecondsLeft", p.currentRemaining)
        .Line();
}

JsonLine JsonReporter::FileLine(const char* type, const UploadProgress& p) const {
    JsonLine line(type);
    line.Text("board", BoardName(p.currentKind)).Text("path", p.currentPath);
    return line;
}

void JsonReporter::Send(const UploadEvent& e) {
    const auto* lost = std::get_if<event::RecordLost>(&e);
    const bool newLoss = lost != nullptr && !tally_.Lost(RecordLostText(*lost));
    const bool wrongTry = tally_.Note(e);
    std::visit(
        Overloaded{
            [&](const event::LogLine& line) {
                Put(JsonLine("log").Number("level", line.level).Text("text", line.text).Line());
                if (line.level == kLevelError) {
                    std::fprintf(err_, "%.*s%s", static_cast<int>(line.text.size()),
                                 line.text.data(), line.text.ends_with('\n') ? "" : "\n");
                    std::fflush(err_);
                }
            },
            [&](const event::BytesSent& sent) { Bytes("sent", sent.bytes); },
            [&](const event::BytesReceived& received) { Bytes("received", received.bytes); },
            [&](const event::AwaitingConfirmation& waiting) {
                Put(JsonLine("waiting").Number("secondsLeft", waiting.secondsLeft).Line());
            },
            [&](const event::Estimates& estimates) { Start(estimates.progress); },
            [&](const event::PacketSent& sent) { Put(ProgressLine(sent.progress)); },
            [&](const event::FileStart& start) {
                Put(FileLine("file-start", start.progress)
                        .Number("packets", start.progress.currentPackets)
                        .Line());
            },
            [&](const event::PauseTick& tick) {
                Put(JsonLine("pause")
                        .Number("secondsLeft", tick.progress.delayRemaining)
                        .Number("seconds", tick.progress.delayLength)
                        .Line());
            },
            [&](const event::FileDone& done) {
                Put(FileLine("file-done", done.progress)
                        .Number("seconds", done.progress.lastFileElapsed)
                        .Line());
            },
            [&](const event::FileFailed& failed) {
                Put(FileLine("file-failed", failed.progress)
                        .Text("step", failed.step)
                        .Text("cause", FailureCauseName(failed.cause))
                        .Line());
            },
            [&](const event::RecordLost& recordLost) {
                if (newLoss) {
                    Put(JsonErrorLine(0, RecordLostText(recordLost)));
                }
            },
            [&](const event::PortOpenFailed&) {
                Put(JsonErrorLine(0, "the serial port did not open for the upload"));
            },
            [&](const event::InternalError&) {
                Put(JsonErrorLine(0, "internal error in the upload worker"));
            },
            [](const auto&) {},
        },
        e);
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
        if (board.state == RunTally::BoardState::kCompleted) {
            boards += ",\"seconds\":" + std::to_string(board.seconds);
        }
        if (board.failureCause) {
            boards += ",\"step\":" + JsonLine::Quote(board.failureStep) +
                      ",\"cause\":" + JsonLine::Quote(FailureCauseName(*board.failureCause));
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
