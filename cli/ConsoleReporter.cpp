#include "cli/ConsoleReporter.h"

#include <algorithm>
#include <chrono>

#include "records/UploadHistory.h"
#include "text/DurationText.h"
#include "text/TextFormat.h"
#include "upload/ProgressTexts.h"

namespace quillon::cli {

namespace {

constexpr char kClearLine[] = "\r\033[K";
constexpr int kWaitingLineEvery = 30;  // seconds between waiting lines when not on a terminal
constexpr char kReset[] = "\033[0m";
constexpr int kBarWidth = 20;
constexpr int kPercentPerLine = 10;  // piped progress: one line per this many percent
constexpr int kBlueLevel = 5;

// The progress window's level colours, as near as a terminal has them.
const char* LevelColour(int level) {
    switch (level) {
        case kLevelError:
            return "\033[31m";  // dark red
        case kLevelHost:
            return "\033[34m";  // dark blue
        case kLevelPrep:
            return "\033[32m";  // dark green
        case kLevelBegin:
            return "\033[34m";  // dark blue
        case kBlueLevel:
            return "\033[94m";  // blue
        case kLevelTiming:
            return "\033[35m";  // purple
        default:
            return "";  // black: the terminal's own colour
    }
}

// A SPEECH file's last partial block is sent as one packet more than it was counted as, so
// the percentage can pass 100: the bar stays full.
std::string Bar(int percent) {
    const int filled = std::clamp(percent, 0, 100) * kBarWidth / 100;
    return "[" + std::string(static_cast<size_t>(filled), '#') +
           std::string(static_cast<size_t>(kBarWidth - filled), '-') + "]";
}

uint32_t NowMs() {
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

}  // namespace

const char* ConsoleReporter::BoardName(FileKind kind) const {
    return kx2_ ? "KX2" : FileKindName(kind);
}

void ConsoleReporter::PrintHeader(const std::string& unit, const std::string& port, int baud) {
    kx2_ = unit == "KX2";
    if (mode_ != OutputMode::kQuiet) {
        std::fprintf(out_, "%s unit on %s at %d bps\n", unit.c_str(), port.c_str(), baud);
        std::fflush(out_);
    }
}

void ConsoleReporter::PrintFiles(const UploadProgress& p) {
    int number = 0;
    for (const RunTally::Board& board : tally_.Boards()) {
        std::fprintf(out_, "  %d. %-7s %5d packets  about %s  %s\n", ++number,
                     BoardName(board.kind), board.packets, CounterText(board.estimate).c_str(),
                     board.path.c_str());
    }
    std::fprintf(out_, "  Time to complete about %s\n", CounterText(p.totalRemaining).c_str());
}

void ConsoleReporter::Send(const UploadEvent& e) {
    if (const auto* lost = std::get_if<event::RecordLost>(&e)) {
        const std::string text = RecordLostText(*lost);
        if (!tally_.Lost(text)) {
            ClearLive();
            std::fprintf(err_, "quillon7-cli upload: warning: %s\n", text.c_str());
        }
    }
    tally_.Note(e);  // wrong tries show in the progress line
    const bool chatty = mode_ != OutputMode::kQuiet;
    std::visit(Overloaded{
                   [&](const event::LogLine& line) { LogLine(line.level, line.text); },
                   [&](const event::BytesSent& sent) {
                       if (chatty) {
                           HexLine(true, sent.bytes);
                       }
                   },
                   [&](const event::BytesReceived& received) {
                       if (chatty) {
                           HexLine(false, received.bytes);
                       }
                   },
                   [&](const event::Estimates& estimates) {
                       if (chatty) {
                           PrintFiles(estimates.progress);
                       }
                   },
                   [&](const event::PacketSent& sent) {
                       if (chatty) {
                           Progress(sent.progress);
                       }
                   },
                   [&](const event::FileStart&) { lastTenth_ = -1; },
                   [&](const event::PauseTick& tick) {
                       if (chatty) {
                           Pause(tick.progress);
                       }
                   },
                   [&](const event::AwaitingConfirmation& waiting) {
                       if (chatty) {
                           Waiting(waiting.secondsLeft);
                       }
                   },
                   [&](const event::FileDone& done) {
                       ClearLive();
                       if (chatty) {
                           BoardDone(done.progress);
                       }
                   },
                   [&](const event::FileFailed& failed) {
                       ClearLive();
                       if (chatty) {
                           BoardFailed(failed);
                       }
                   },
                   [](const auto&) {},
               },
               e);
    std::fflush(out_);
}

bool ConsoleReporter::Shown(int level, std::string_view text) const {
    switch (mode_) {
        case OutputMode::kVerbose:
            return true;
        case OutputMode::kQuiet:
            return level == kLevelError;
        default:
            // Errors, and the level-2 lines that are no acknowledgement (the user's abort).
            return level == kLevelError || (level == kLevelAck && text.size() > 1 &&
                                            text.find("Ack from") == std::string_view::npos);
    }
}

void ConsoleReporter::LogLine(int level, std::string_view text) {
    if (!Shown(level, text)) {
        return;
    }
    ClearLive();
    // What went wrong goes where a script keeps it, as it happens.
    std::FILE* stream = level == kLevelError ? err_ : out_;
    std::string line(text);
    if (mode_ != OutputMode::kVerbose && (line.empty() || line.back() != '\n')) {
        line += '\n';  // shown alone, a line needs its own end
    }
    if (console_.colour && *LevelColour(level) != '\0') {
        // Colour the text but not its line end, so a colour never bleeds into the next line.
        size_t end = line.find_last_not_of('\n');
        std::string body = end == std::string::npos ? "" : line.substr(0, end + 1);
        std::string tail = end == std::string::npos ? line : line.substr(end + 1);
        line = LevelColour(level) + body + kReset + tail;
    }
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fflush(stream);
}

void ConsoleReporter::HexLine(bool sent, std::span<const uint8_t> bytes) {
    ClearLive();
    const std::string line = (sent ? "  to unit: " : "from unit: ") + HexBytes(bytes, " ") + "\n";
    std::fwrite(line.data(), 1, line.size(), out_);
}

void ConsoleReporter::Live(const std::string& text) {
    if (console_.escapes) {
        std::fputs(kClearLine, out_);
        std::fputs(text.c_str(), out_);
    } else {
        // Blanks over what the last line had beyond this one.
        const size_t blanks = liveShown_ > text.size() ? liveShown_ - text.size() : 0;
        std::fprintf(out_, "\r%s%s", text.c_str(), std::string(blanks, ' ').c_str());
    }
    liveShown_ = std::max<size_t>(text.size(), 1);
}

void ConsoleReporter::ClearLive() {
    if (liveShown_ == 0) {
        return;
    }
    if (console_.escapes) {
        std::fputs(kClearLine, out_);
    } else {
        std::fprintf(out_, "\r%s\r", std::string(liveShown_, ' ').c_str());
    }
    liveShown_ = 0;
}

void ConsoleReporter::Progress(const UploadProgress& p) {
    const int percent = ProgressPercent(p.currentPacketsSent, p.currentPackets);
    const RunTally::Board* board = tally_.Find(p.currentKind);
    const std::string left = CounterText(timeLeft_.Note(p, NowMs()).run);
    char text[256];
    std::snprintf(text, sizeof text,
                  "%-7s %s %5d/%d packets %3d%%  time to complete %s  retries %d",
                  BoardName(p.currentKind), Bar(percent).c_str(),
                  std::min(p.currentPacketsSent, p.currentPackets), p.currentPackets, percent,
                  left.c_str(), board ? board->Retries() : 0);
    if (mode_ == OutputMode::kVerbose) {
        // Every line is shown: the progress stays the progress window's own line.
        std::fprintf(out_, "%s   (time to complete %s)\n", ProgressBarText(p).c_str(),
                     left.c_str());
    } else if (console_.terminal) {
        Live(text);
    } else if (percent / kPercentPerLine != lastTenth_) {
        lastTenth_ = percent / kPercentPerLine;
        std::fprintf(out_, "%s\n", text);
    }
}

// One line that stays per board: what became of it.
void ConsoleReporter::BoardDone(const UploadProgress& p) {
    std::fprintf(out_, "%-7s done in %s\n", BoardName(p.currentKind),
                 DurationText(p.lastFileElapsed).c_str());
}

void ConsoleReporter::BoardFailed(const event::FileFailed& failed) {
    std::fprintf(out_, "%-7s FAILED %s\n", BoardName(failed.progress.currentKind),
                 FailurePlace(failed.step, failed.cause).c_str());
}

void ConsoleReporter::Waiting(int secondsLeft) {
    const std::string text = AwaitingConfirmationText(secondsLeft);
    if (console_.terminal) {
        Live(text);
    } else if (!waitingShown_ || secondsLeft % kWaitingLineEvery == 0) {
        waitingShown_ = true;  // the first waiting line, then every 30 seconds
        std::fprintf(out_, "%s\n", text.c_str());
    }
}

void ConsoleReporter::Pause(const UploadProgress& p) {
    if (console_.terminal) {
        Live("Pause before the next board: " + CounterText(p.delayRemaining) +
             " left   (time to complete " + CounterText(p.totalRemaining) + ")");
    } else if (p.delayRemaining == p.delayLength) {
        std::fprintf(out_, "Pause of %d seconds before the next board\n", p.delayLength);
    }
}

void ConsoleReporter::Hint(RunOutcome outcome) {
    for (const RunTally::Board& board : tally_.Boards()) {
        const char* advice = board.failureCause ? FailureAdvice(outcome, *board.failureCause) : "";
        if (*advice != '\0') {
            std::fprintf(out_, "  %s\n", advice);
        }
    }
}

void ConsoleReporter::PrintSummary(RunOutcome outcome, bool kx2, const std::string& historyPath) {
    ClearLive();
    tally_.Finish(outcome);
    for (const RunTally::Board& board : tally_.Boards()) {
        if (board.state == RunTally::BoardState::kFailed && outcome != RunOutcome::kAborted) {
            const std::string place =
                board.failureCause ? " " + FailurePlace(board.failureStep, *board.failureCause)
                                   : "";
            std::fprintf(err_, "quillon7-cli upload: %s failed%s: %s\n",
                         kx2 ? "KX2" : FileKindName(board.kind), place.c_str(), board.path.c_str());
        }
    }
    std::fprintf(out_, "\n%s\n",
                 outcome == RunOutcome::kAborted     ? "Job Canceled!"
                 : outcome == RunOutcome::kCompleted ? "Job Done!"
                                                     : "Job FAILED");
    for (const RunTally::Board& board : tally_.Boards()) {
        const char* name = kx2 ? "KX2" : FileKindName(board.kind);
        switch (board.state) {
            case RunTally::BoardState::kCompleted:
                std::fprintf(out_, "  %-7s completed in %s  %s\n", name,
                             DurationText(board.seconds).c_str(), board.path.c_str());
                break;
            case RunTally::BoardState::kNotAttempted:
                std::fprintf(out_, "  %-7s not attempted  %s\n", name, board.path.c_str());
                break;
            default:
                std::fprintf(out_, "  %-7s %s  %s\n", name,
                             outcome == RunOutcome::kAborted ? "canceled" : "FAILED",
                             board.path.c_str());
                break;
        }
    }
    if (outcome != RunOutcome::kCompleted && outcome != RunOutcome::kAborted) {
        Hint(outcome);
    }
    if (!tally_.MessageLogPath().empty()) {
        std::fprintf(out_, "Message log: %s\n", tally_.MessageLogPath().c_str());
    }
    if (!historyPath.empty() && !tally_.HistoryLost()) {
        std::fprintf(out_, "History:     %s\n", historyPath.c_str());
    }
    std::fflush(out_);
}

}  // namespace quillon::cli
