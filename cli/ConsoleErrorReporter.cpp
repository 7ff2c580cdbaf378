#include "cli/ConsoleErrorReporter.h"

namespace quillon::cli {

void ConsoleErrorReporter::ShowError(int number, const std::optional<std::string>& fileName,
                                     const std::string& text) {
    lastNumber_ = number;
    std::fprintf(out_, "Error ID: %d\n", number);
    if (fileName && !fileName->empty()) {
        std::fprintf(out_, "File: %s\n", fileName->c_str());
    }
    // The dialog's texts start with blank lines to centre them; a console needs none of that.
    size_t start = text.find_first_not_of('\n');
    std::fprintf(out_, "%s\n", start == std::string::npos ? "" : text.c_str() + start);
}

}  // namespace quillon::cli
