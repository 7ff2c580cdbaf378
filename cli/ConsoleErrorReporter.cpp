#include "cli/ConsoleErrorReporter.h"

#include "cli/JsonReporter.h"

namespace quillon::cli {

void ConsoleErrorReporter::ShowError(int number, const std::optional<std::string>& fileName,
                                     const std::string& text) {
    lastNumber_ = number;
    // The dialog's texts start with blank lines to centre them; a console needs none of that.
    size_t start = text.find_first_not_of('\n');
    const std::string body = start == std::string::npos ? "" : text.substr(start);
    std::fprintf(out_, "Error ID: %d\n", number);
    if (fileName && !fileName->empty()) {
        std::fprintf(out_, "File: %s\n", fileName->c_str());
    }
    std::fprintf(out_, "%s\n", body.c_str());
    if (json_ != nullptr) {
        std::fputs(JsonErrorLine(number, body, fileName.value_or("")).c_str(), json_);
    }
}

void ConsoleErrorReporter::Say(const std::string& command, const std::string& text) {
    std::fprintf(out_, "quillon7-cli %s: %s\n", command.c_str(), text.c_str());
    if (json_ != nullptr) {
        std::fputs(JsonErrorLine(0, text).c_str(), json_);
    }
}

}  // namespace quillon::cli
