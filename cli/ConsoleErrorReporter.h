// Prints what stops an upload before it starts: a file-check rejection the way the desktop's
// error dialog shows it ("Error ID: %d", the file concerned and the message), or a usage or
// port error as one "quillon7-cli upload: ..." line, to the error stream. With a JSON stream
// given (--json), each is also written there as a "type":"error" line.
#pragma once

#include <cstdio>
#include <string>

#include "program/ErrorReporter.h"

namespace quillon::cli {

class ConsoleErrorReporter final : public ErrorReporter {
  public:
    explicit ConsoleErrorReporter(std::FILE* out, std::FILE* json = nullptr)
        : out_(out), json_(json) {}
    void ShowError(int number, const std::optional<std::string>& fileName,
                   const std::string& text) override;
    // An error without a number of its own: "quillon7-cli COMMAND: text".
    void Say(const std::string& command, const std::string& text);
    int LastNumber() const { return lastNumber_; }

  private:
    std::FILE* out_;
    std::FILE* json_;
    int lastNumber_ = 0;
};

}  // namespace quillon::cli
