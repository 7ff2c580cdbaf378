// Prints a file-check rejection the way the desktop's error dialog shows it: "Error ID: %d",
// the file concerned and the message, to the given stream (stderr in the CLI).
#pragma once

#include <cstdio>

#include "platform/ErrorReporter.h"

namespace quillon::cli {

class ConsoleErrorReporter final : public ErrorReporter {
  public:
    explicit ConsoleErrorReporter(std::FILE* out) : out_(out) {}
    void ShowError(int number, const std::optional<std::string>& fileName,
                   const std::string& text) override;
    int LastNumber() const { return lastNumber_; }

  private:
    std::FILE* out_;
    int lastNumber_ = 0;
};

}  // namespace quillon::cli
