// Shows an upload run on a console. Default: a header (unit, port, rate, the files in order with
// packet counts and estimates), per board one live progress line on a terminal (redrawn in
// place) or one line per 10 % elsewhere, then one result line per board, the pause between
// boards, a KX2 unit's wait for its confirmation, and a summary per board. Every error line of
// the run goes to stderr as it happens, so that a script that keeps stderr has the reason.
// Verbose: every log line, coloured by level, as the progress window shows it. Quiet: error lines
// and the summary. Runs on the worker's thread; it only writes to its streams, and a write that
// fails (a closed pipe) is left at that.
#pragma once

#include <cstdio>
#include <span>
#include <string>

#include "cli/RunTally.h"
#include "upload/TimeToComplete.h"
#include "upload/UploadEvents.h"
#include "upload/UploadJob.h"

namespace quillon::cli {

enum class OutputMode { kNormal, kVerbose, kQuiet };

// How the console takes what is written to it.
struct ConsoleKind {
    bool terminal = false;  // a live line is redrawn in place; else one line per 10 %
    bool colour = false;    // level colours
    // The live line is cleared with an escape code; else with a carriage return and blanks (a
    // "dumb" terminal, a console without escape codes).
    bool escapes = false;
};

class ConsoleReporter final : public EventSink {
  public:
    // Records that could not be written are said on err, once each.
    ConsoleReporter(std::FILE* out, std::FILE* err, OutputMode mode, ConsoleKind console)
        : out_(out), err_(err), mode_(mode), console_(console) {}

    void Send(const UploadEvent& e) override;
    RunTally& Tally() { return tally_; }

    // "HBD unit on /dev/ttyUSB0 at 19200 bps"; the files follow once the worker has counted them.
    void PrintHeader(const std::string& unit, const std::string& port, int baud);
    // Summary lines: "COMM    completed in 1 minutes", "READER  FAILED", "SPEECH  not attempted",
    // then the records the run wrote (not those it could not write). A run that did not complete
    // also says so on stderr.
    void PrintSummary(RunOutcome outcome, bool kx2, const std::string& historyPath);

  private:
    const char* BoardName(FileKind kind) const;
    void PrintFiles(const UploadProgress& p);
    void LogLine(int level, std::string_view text);
    bool Shown(int level, std::string_view text) const;
    void HexLine(bool sent, std::span<const uint8_t> bytes);
    void Live(const std::string& text);  // the line redrawn in place
    void ClearLive();
    void Progress(const UploadProgress& p);
    void BoardDone(const UploadProgress& p);
    void BoardFailed(const event::FileFailed& failed);
    void Pause(const UploadProgress& p);
    void Waiting(int secondsLeft);
    void Hint(RunOutcome outcome);

    std::FILE* out_;
    std::FILE* err_;
    OutputMode mode_;
    ConsoleKind console_;
    bool kx2_ = false;
    size_t liveShown_ = 0;  // characters of the live line on screen
    int lastTenth_ = -1;    // last 10 % step printed when not on a terminal
    bool waitingShown_ = false;
    RunTally tally_;
    TimeToComplete timeLeft_;
};

}  // namespace quillon::cli
