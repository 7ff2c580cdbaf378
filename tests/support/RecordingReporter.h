// An ErrorReporter for tests: each report as "NUMBER FILE: TEXT" on a line of its own.
#pragma once

#include <optional>
#include <string>

#include "program/ErrorReporter.h"

namespace quillon::test {

class RecordingReporter : public ErrorReporter {
  public:
    void ShowError(int number, const std::optional<std::string>& fileName,
                   const std::string& text) override {
        shown += std::to_string(number) + " " + fileName.value_or("-") + ": " + text + "\n";
    }
    std::string shown;
};

}  // namespace quillon::test
