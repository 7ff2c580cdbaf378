// --json output of an upload: each worker notification as one JSON line on the given stream,
// in the documented schema (docs/cli-json.md), and the final "result" line; the run's error lines
// also go to err as text, for a person watching. Runs on the worker's thread; it only writes to
// its streams.
#pragma once

#include <cstdio>
#include <span>
#include <string>

#include "cli/JsonLine.h"
#include "cli/RunTally.h"
#include "upload/UploadEvents.h"
#include "upload/UploadJob.h"

namespace quillon::cli {

class JsonReporter final : public EventSink {
  public:
    // unit: "HBD" or "KX2"; port and baud as the line is opened.
    JsonReporter(std::FILE* out, std::FILE* err, std::string unit, std::string port, int baud)
        : out_(out), err_(err), unit_(std::move(unit)), port_(std::move(port)), baud_(baud) {}

    void Send(const UploadEvent& e) override;
    RunTally& Tally() { return tally_; }

    // The last line of every --json run, also of one refused before it started.
    void PrintResult(RunOutcome outcome, int exitCode);

  private:
    void Start(const UploadProgress& p);
    std::string ProgressLine(const UploadProgress& p) const;
    // A line of the file's events, with its board and path.
    JsonLine FileLine(const char* type, const UploadProgress& p) const;
    std::string BoardName(FileKind kind) const;
    void Bytes(const char* direction, std::span<const uint8_t> bytes);
    void Put(const std::string& line);

    std::FILE* out_;
    std::FILE* err_;
    std::string unit_;
    std::string port_;
    int baud_;
    RunTally tally_;
};

// The error line of --json ("type":"error"): number 0 when the error has no number of its own.
std::string JsonErrorLine(int number, const std::string& text, const std::string& file = "");

}  // namespace quillon::cli
