// Shows an upload run on a console. Default: a header (unit, port, rate, the files in order with
// packet counts and estimates), per board one live progress line on a terminal (redrawn in
// place) or one line per 10 % elsewhere, every error line as it happens, the pause between
// boards, and a summary per board. Verbose: every log line, coloured by level, as the progress
// window shows it. Quiet: error lines and the summary. Runs on the worker's thread; it only
// writes to its stream, and a write that fails (a closed pipe) is left at that.
#pragma once

#include <cstdio>
#include <span>
#include <string>

#include "cli/RunTally.h"
#include "upload/Notification.h"
#include "upload/UploadJob.h"

namespace quillon::cli {

enum class OutputMode { kNormal, kVerbose, kQuiet };

class ConsoleReporter final : public NotificationSink {
  public:
    // Records that could not be written are said on err, once each.
    ConsoleReporter(std::FILE* out, std::FILE* err, OutputMode mode, bool terminal, bool colour)
        : out_(out), err_(err), mode_(mode), terminal_(terminal), colour_(colour) {}

    void Send(const Notification& n) override;
    RunTally& Tally() { return tally_; }

    // "HBD unit on /dev/ttyUSB0 at 19200 bps"; the files follow once the worker has counted them.
    void PrintHeader(const std::string& unit, const std::string& port, int baud);
    // Summary lines: "COMM    completed in 1 minutes", "READER  FAILED", "SPEECH  not attempted",
    // then the records the run wrote (not those it could not write).
    void PrintSummary(RunOutcome outcome, bool kx2, const std::string& historyPath);

  private:
    void PrintFiles(const UploadProgress& p);
    void LogLine(int level, std::string_view text);
    bool Shown(int level, std::string_view text) const;
    void HexLine(bool sent, std::span<const uint8_t> bytes);
    void Live(const std::string& text);  // the line redrawn in place
    void ClearLive();
    void Progress(const UploadProgress& p);
    void Pause(const UploadProgress& p);
    void Hint(RunOutcome outcome, bool kx2);

    std::FILE* out_;
    std::FILE* err_;
    OutputMode mode_;
    bool terminal_;
    bool colour_;
    bool kx2_ = false;
    bool liveShown_ = false;
    int lastTenth_ = -1;  // last 10 % step printed when not on a terminal
    RunTally tally_;
};

}  // namespace quillon::cli
