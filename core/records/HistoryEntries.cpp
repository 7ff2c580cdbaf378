#include "records/HistoryEntries.h"

#include <sstream>
#include <string_view>

#include "records/HistoryTexts.h"

namespace quillon {

namespace {

using namespace history_text;

constexpr size_t kStampTimeEnd = kStampLength - 2;  // before ": "

bool IsStamped(std::string_view line) {
    return line.size() >= kStampLength && line.substr(kStampTimeEnd, 2) == ": " && line[2] != ' ' &&
           line[3] == ' ' && line[6] == ',';
}

std::string_view Trimmed(std::string_view line) {
    const size_t start = line.find_first_not_of(' ');
    return start == std::string_view::npos ? std::string_view() : line.substr(start);
}

// The entry a stamped line starts.
HistoryEntry StartEntry(std::string_view line) {
    HistoryEntry entry;
    entry.time = std::string(line.substr(0, kStampTimeEnd));
    std::string_view rest = line.substr(kStampLength);
    if (rest.starts_with(kBeginUpload)) {
        entry.outcome = "begin";
        rest.remove_prefix(kBeginUpload.size());
        entry.kind = std::string(rest.substr(0, rest.find(' ')));
    } else if (rest.starts_with(kCritical)) {
        entry.outcome = "critical";
        entry.detail = std::string(rest);
    } else if (size_t ok = rest.find(kSuccessful);
               rest.starts_with(kUpload) && ok != std::string_view::npos) {
        entry.outcome = "completed";
        entry.kind = std::string(rest.substr(kUpload.size(), ok - kUpload.size()));
        std::string_view file = rest.substr(ok + kSuccessful.size());
        entry.file = std::string(file.substr(0, file.rfind(kSuccessfulEnd)));
    } else if (size_t bad = rest.find(kFailed);
               rest.starts_with(kUpload) && bad != std::string_view::npos) {
        entry.outcome = "failed";
        entry.kind = std::string(rest.substr(kUpload.size(), bad - kUpload.size()));
    } else {
        entry.outcome = "unknown";
        entry.detail = std::string(rest);
    }
    return entry;
}

// A detail line of the entry ("FileName: ...", "Required ...", "ERROR = ...").
void AddDetail(HistoryEntry& entry, std::string_view line) {
    const std::string_view text = Trimmed(line);
    if (text.starts_with(kFileName)) {
        entry.file = std::string(text.substr(kFileName.size()));
    } else if (text.starts_with(kRequired)) {
        entry.detail = std::string(text.substr(kRequired.size()));
    } else if (text.starts_with(kError)) {
        entry.detail = std::string(text.substr(kError.size()));
    }
}

}  // namespace

std::vector<HistoryEntry> ParseHistory(const std::string& text) {
    std::vector<HistoryEntry> entries;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();  // a file with CR LF line ends, as Windows writes them
        }
        if (IsStamped(line)) {
            entries.push_back(StartEntry(line));
        } else if (!line.empty() && line.front() == ' ' && !entries.empty()) {
            AddDetail(entries.back(), line);
        } else if (!Trimmed(line).empty()) {
            entries.push_back(HistoryEntry{"", "", "", "unknown", line});
        }
    }
    return entries;
}

}  // namespace quillon
