// Shows an upload run on a console: log lines coloured by level, a live progress line per board
// (redrawn in place on a terminal; one line per 10 % elsewhere), the pause countdown, and at the
// end a summary per board. With JSON output every notification becomes one JSON object per line
// instead. Runs on the worker's thread; it only writes to the given streams.
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "upload/Notification.h"
#include "upload/UploadJob.h"

namespace quillon::cli {

enum class OutputMode { kNormal, kQuiet, kJson };

class ConsoleReporter final : public NotificationSink {
  public:
    ConsoleReporter(std::FILE* out, OutputMode mode, bool terminal, bool colour)
        : out_(out), mode_(mode), terminal_(terminal), colour_(colour) {}

    void Send(const Notification& n) override;

    // Boards selected for the run, so the summary can name those never attempted.
    void Expect(int kind, const std::string& path) { boards_[kind].path = path; }
    // Summary lines: "COMM    completed in 1 minutes", "READER  FAILED", "SPEECH  not attempted".
    void PrintSummary(RunOutcome outcome, bool kx2, const std::string& logPath,
                      const std::string& historyPath);

    // The run's message log, as the worker announced it ("" when none was made).
    const std::string& MessageLogPath() const { return messageLog_; }

    // Turns a text into a JSON string literal (bytes above 127 as \u00XX).
    static std::string JsonString(std::string_view text);

  private:
    enum class BoardState { kNotAttempted, kRunning, kCompleted, kFailed };
    struct Board {
        std::string path;
        BoardState state = BoardState::kNotAttempted;
        int seconds = 0;
        int lastTenth = -1;  // last 10 % step printed when not on a terminal
    };

    void Json(const Notification& n);
    void NoteMessageLog(std::string_view text);
    void NoteSilence(std::string_view text);
    void LogLine(int level, std::string_view text);
    void HexLine(bool sent, std::span<const uint8_t> bytes);
    void Live(const std::string& text);  // the line redrawn in place
    void ClearLive();
    void Progress(const UploadProgress& p);

    std::FILE* out_;
    OutputMode mode_;
    bool terminal_;
    bool colour_;
    bool liveShown_ = false;
    std::map<int, Board> boards_;
    std::string messageLog_;
    bool silentUnit_ = false;   // a wait ran out with nothing received
    bool garbledUnit_ = false;  // bytes came, but no answer could be made of them
};

}  // namespace quillon::cli
