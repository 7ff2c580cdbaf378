// An INI text held in memory as lines, with the lookup and edit rules of IniFile. Kept apart
// from the file handling so that a run of edits (the default file, the factory reset) becomes
// one atomic replace of the file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/LineEnds.h"

namespace quillon {

class IniDocument {
  public:
    IniDocument() = default;
    // Lines end as the text's first line does (none: as the platform's do).
    explicit IniDocument(const std::string& text);
    // An empty document whose lines will end with eol.
    static IniDocument WithLineEnd(std::string_view eol);

    std::optional<std::string> Find(const std::string& section, const std::string& key) const;
    void Set(const std::string& section, const std::string& key, const std::string& value);
    std::string Text() const;

  private:
    struct Line {
        std::string text;
        // Parsed view of the line.
        enum Kind { kOther, kSection, kEntry } kind = kOther;
        std::string name;   // section name or key, trimmed
        std::string value;  // entry value, trimmed and unquoted
    };
    static Line Parse(std::string text);
    // Index of the first line of the first section named so, or npos.
    size_t FindSection(const std::string& section) const;

    std::vector<Line> lines_;
    std::string eol_{kNativeLineEnd};
};

}  // namespace quillon
