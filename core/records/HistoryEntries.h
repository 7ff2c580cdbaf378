// Reads History.txt back into entries (for `quillon7-cli history --json`).
// Tolerant: a line that starts no known entry is kept as an "unknown" record with its text, and a
// torn last entry gives a record with what it has.
#pragma once

#include <string>
#include <vector>

namespace quillon {

struct HistoryEntry {
    std::string time;     // "Mar  5, 2024  09:07:03" as written
    std::string kind;     // "COMM", "READER", "SPEECH"; empty for a critical error
    std::string file;     // the file named, or ""
    std::string outcome;  // "begin", "completed", "failed", "critical", "unknown"
    std::string detail;   // the duration, the error text, or the unknown line

    bool operator==(const HistoryEntry&) const = default;
};

std::vector<HistoryEntry> ParseHistory(const std::string& text);

}  // namespace quillon
