#include "cli/ConsoleReporter.h"

#include <cstring>

#include "platform/DurationText.h"
#include "records/UploadHistory.h"
#include "upload/ProgressTexts.h"

namespace quillon::cli {

namespace {

constexpr char kClearLine[] = "\r\033[K";
constexpr char kReset[] = "\033[0m";

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
        case 5:
            return "\033[94m";  // blue
        case kLevelTiming:
            return "\033[35m";  // purple
        default:
            return "";  // black: the terminal's own colour
    }
}

}  // namespace

std::string ConsoleReporter::JsonString(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

void ConsoleReporter::Send(const Notification& n) {
    if (mode_ == OutputMode::kJson) {
        Json(n);
    }
    switch (n.code) {
        case UM_LOG_LINE:
            NoteMessageLog(n.text);
            NoteSilence(n.text);
            if (mode_ != OutputMode::kJson) {
                LogLine(static_cast<int>(n.wParam), n.text);
            }
            break;
        case UM_TX_BYTES:
        case UM_RX_BYTES:
            if (mode_ == OutputMode::kNormal) {
                HexLine(n.code == UM_TX_BYTES, n.bytes);
            }
            break;
        case UM_FILE_START:
            boards_[n.progress->currentKind].state = BoardState::kRunning;
            break;
        case UM_PROGRESS:
            if (n.wParam == 0 && mode_ == OutputMode::kNormal) {
                Progress(*n.progress);
            }
            break;
        case UM_DELAY_TICK:
            if (mode_ == OutputMode::kNormal && terminal_) {
                Live(DelayBarText(*n.progress) + "   (time to complete " +
                     CounterText(n.progress->totalRemaining) + ")");
            }
            break;
        case UM_FILE_DONE: {
            Board& b = boards_[n.progress->currentKind];
            b.state = BoardState::kCompleted;
            b.seconds = n.progress->lastFileElapsed;
            ClearLive();
            break;
        }
        case UM_FILE_FAILED:
            boards_[n.progress->currentKind].state = BoardState::kFailed;
            ClearLive();
            break;
        default:
            break;
    }
    std::fflush(out_);
}

void ConsoleReporter::NoteSilence(std::string_view text) {
    // The lines a unit that says nothing (or nothing sensible) leaves behind.
    constexpr std::string_view kSilent[] = {"ERROR: No response from HBD",
                                            "Giving Up! Did not get proper response from KX2"};
    constexpr std::string_view kGarbled[] = {"ERROR: Did not get expected response from HBD",
                                             "ERROR: Unknown response from HBD"};
    for (std::string_view line : kSilent) {
        silentUnit_ = silentUnit_ || text.substr(0, line.size()) == line;
    }
    for (std::string_view line : kGarbled) {
        garbledUnit_ = garbledUnit_ || text.substr(0, line.size()) == line;
    }
}

void ConsoleReporter::NoteMessageLog(std::string_view text) {
    constexpr std::string_view kOpened = "Prep 1: Success; Open log file (";
    if (text.substr(0, kOpened.size()) == kOpened) {
        std::string_view rest = text.substr(kOpened.size());
        messageLog_ = std::string(rest.substr(0, rest.rfind(')')));
    }
}

void ConsoleReporter::Json(const Notification& n) {
    std::string line = "{\"event\":\"" + std::string(NotificationName(n.code)) +
                       "\",\"code\":" + std::to_string(n.code) +
                       ",\"wParam\":" + std::to_string(n.wParam);
    if (n.code == UM_LOG_LINE) {
        line += ",\"text\":" + JsonString(n.text);
    }
    if (!n.bytes.empty()) {
        std::string hex;
        char pair[4];
        for (uint8_t b : n.bytes) {
            std::snprintf(pair, sizeof pair, "%02X", b);
            hex += pair;
        }
        line += ",\"bytes\":\"" + hex + "\"";
    }
    if (const UploadProgress* p = n.progress) {
        line += ",\"progress\":{\"kind\":" + std::to_string(p->currentKind) +
                ",\"kindName\":" + JsonString(p->currentKindName) +
                ",\"path\":" + JsonString(p->currentPath) +
                ",\"packets\":" + std::to_string(p->currentPackets) +
                ",\"packetsSent\":" + std::to_string(p->currentPacketsSent) +
                ",\"filesRemaining\":" + std::to_string(p->filesRemaining) +
                ",\"totalRemaining\":" + std::to_string(p->totalRemaining) +
                ",\"currentRemaining\":" + std::to_string(p->currentRemaining) +
                ",\"delayRemaining\":" + std::to_string(p->delayRemaining) +
                ",\"lastFileElapsed\":" + std::to_string(p->lastFileElapsed) +
                ",\"commPackets\":" + std::to_string(p->commPackets) +
                ",\"readerPackets\":" + std::to_string(p->readerPackets) +
                ",\"speechPackets\":" + std::to_string(p->speechPackets) + "}";
    }
    line += "}\n";
    std::fputs(line.c_str(), out_);
}

void ConsoleReporter::LogLine(int level, std::string_view text) {
    if (mode_ == OutputMode::kQuiet && level != kLevelError) {
        return;
    }
    ClearLive();
    std::string line(text);
    if (colour_ && *LevelColour(level) != '\0') {
        // Colour the text but not its line end, so a colour never bleeds into the next line.
        size_t end = line.find_last_not_of('\n');
        std::string body = end == std::string::npos ? "" : line.substr(0, end + 1);
        std::string tail = end == std::string::npos ? line : line.substr(end + 1);
        line = LevelColour(level) + body + kReset + tail;
    }
    std::fwrite(line.data(), 1, line.size(), out_);
}

void ConsoleReporter::HexLine(bool sent, std::span<const uint8_t> bytes) {
    ClearLive();
    std::string line = sent ? "  to HBD: " : "from HBD: ";
    char pair[4];
    for (uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02X ", b);
        line += pair;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), out_);
}

void ConsoleReporter::Live(const std::string& text) {
    std::fputs(kClearLine, out_);
    std::fputs(text.c_str(), out_);
    liveShown_ = true;
}

void ConsoleReporter::ClearLive() {
    if (liveShown_) {
        std::fputs(kClearLine, out_);
        liveShown_ = false;
    }
}

void ConsoleReporter::Progress(const UploadProgress& p) {
    std::string text =
        ProgressBarText(p) + "   (time to complete " + CounterText(p.totalRemaining) + ")";
    if (terminal_) {
        Live(text);
        return;
    }
    Board& board = boards_[p.currentKind];
    int tenth = ProgressPercent(p.currentPacketsSent, p.currentPackets) / 10;
    if (tenth != board.lastTenth) {
        board.lastTenth = tenth;
        std::fprintf(out_, "%s\n", text.c_str());
    }
}

void ConsoleReporter::PrintSummary(RunOutcome outcome, bool kx2, const std::string& logPath,
                                   const std::string& historyPath) {
    ClearLive();
    std::FILE* out = mode_ == OutputMode::kJson ? stderr : out_;
    std::fprintf(out, "\n%s\n",
                 outcome == RunOutcome::kAborted     ? "Job Canceled!"
                 : outcome == RunOutcome::kCompleted ? "Job Done!"
                                                     : "Job FAILED");
    for (auto& [kind, board] : boards_) {
        if (board.path.empty()) {
            continue;
        }
        const char* name = kx2 ? "KX2" : FileKindName(kind);
        if (kx2) {
            board.state = outcome == RunOutcome::kCompleted          ? BoardState::kCompleted
                          : board.state == BoardState::kNotAttempted ? board.state
                                                                     : BoardState::kFailed;
        }
        switch (board.state) {
            case BoardState::kCompleted:
                if (kx2) {
                    std::fprintf(out, "  %-7s completed  %s\n", name, board.path.c_str());
                } else {
                    std::fprintf(out, "  %-7s completed in %s  %s\n", name,
                                 DurationText(board.seconds).c_str(), board.path.c_str());
                }
                break;
            case BoardState::kFailed:
            case BoardState::kRunning:
                std::fprintf(out, "  %-7s %s  %s\n", name,
                             outcome == RunOutcome::kAborted ? "canceled" : "FAILED",
                             board.path.c_str());
                break;
            case BoardState::kNotAttempted:
                std::fprintf(out, "  %-7s not attempted  %s\n", name, board.path.c_str());
                break;
        }
    }
    if (outcome == RunOutcome::kFailed && silentUnit_) {
        std::fprintf(out,
                     "  The unit did not answer: check the cable, that the unit is powered and in "
                     "its loading mode, the baud rate and the port.\n");
    } else if (outcome == RunOutcome::kFailed && garbledUnit_) {
        std::fprintf(out,
                     "  The unit's answers were garbled: check the baud rate matches the unit's "
                     "and the cable.\n");
    }
    if (kx2 && outcome == RunOutcome::kNoFinalAnswer) {
        std::fprintf(out,
                     "  The unit never confirmed the upload: treat it as failed and try again.\n");
    }
    if (!logPath.empty()) {
        std::fprintf(out, "Message log: %s\n", logPath.c_str());
    }
    std::fprintf(out, "History:     %s\n", historyPath.c_str());
    std::fflush(out);
}

}  // namespace quillon::cli
