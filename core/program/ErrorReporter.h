// Where the file checks report a rejection: the desktop shows its numbered error dialog, the
// command line prints the number and the text. Reporting cannot fail from the caller's view.
#pragma once

#include <optional>
#include <string>

#include "program/ErrorCatalogue.h"

namespace quillon {

class ErrorReporter {
  public:
    virtual ~ErrorReporter() = default;
    // number: the error number (100, 105, 120, 210 ...); fileName: the full path concerned, or
    // none; text: the message, shown as given.
    virtual void ShowError(int number, const std::optional<std::string>& fileName,
                           const std::string& text) = 0;

    // A catalogue error with its text as given there, or completed by the caller.
    void Show(const NumberedError& error, const std::optional<std::string>& fileName) {
        ShowError(error.number, fileName, error.text);
    }
    void Show(const NumberedError& error, const std::optional<std::string>& fileName,
              const std::string& text) {
        ShowError(error.number, fileName, text);
    }
};

}  // namespace quillon
