#include "program/OptionTable.h"

#include <algorithm>
#include <sstream>

namespace quillon {

namespace {

constexpr size_t kLabelIndent = 2;
constexpr size_t kLabelGap = 2;
constexpr size_t kWidestLabelColumn = 30;  // a longer label puts its help on the next line

// One line of text (no "\n") wrapped into lines after `indent` blanks, the first after
// `firstIndent`.
void WrapLine(const std::string& line, size_t width, size_t indent, size_t firstIndent,
              std::string* out) {
    std::istringstream words(line);
    std::string word;
    std::string current(firstIndent, ' ');
    bool empty = true;
    while (words >> word) {
        if (!empty && current.size() + 1 + word.size() > width) {
            *out += current + "\n";
            current.assign(indent, ' ');
            empty = true;
        }
        current += (empty ? "" : " ") + word;
        empty = false;
    }
    *out += (empty ? std::string() : current) + "\n";
}

}  // namespace

std::string OptionLabel(const OptionSpec& option) {
    std::string label;
    if (option.shortName != '\0') {
        label = std::string("-") + option.shortName + ", ";
    }
    label += std::string("--") + option.name;
    if (option.value != nullptr) {
        label += std::string(" ") + option.value;
    }
    return label;
}

std::string WrapText(const std::string& text, size_t width, size_t indent, size_t firstIndent) {
    std::string out;
    size_t start = 0;
    bool first = true;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        WrapLine(text.substr(start, end - start), width, indent, first ? firstIndent : indent,
                 &out);
        first = false;
        start = end + 1;
    }
    return out;
}

std::string OptionListText(const std::vector<OptionSpec>& options, size_t width) {
    size_t column = 0;
    for (const OptionSpec& option : options) {
        const size_t wanted = kLabelIndent + OptionLabel(option).size() + kLabelGap;
        if (wanted <= kWidestLabelColumn) {
            column = std::max(column, wanted);
        }
    }
    std::string out;
    const char* group = nullptr;
    for (const OptionSpec& option : options) {
        if (option.group != nullptr && (group == nullptr || std::string(group) != option.group)) {
            out += std::string(out.empty() ? "" : "\n") + option.group + ":\n";
            group = option.group;
        }
        std::string label = std::string(kLabelIndent, ' ') + OptionLabel(option);
        if (label.size() + kLabelGap > column) {
            out += label + "\n";
            label.clear();
        }
        label.resize(column, ' ');
        const std::string help = WrapText(option.help, width, column, column);
        out += label + help.substr(column);
    }
    return out;
}

}  // namespace quillon
