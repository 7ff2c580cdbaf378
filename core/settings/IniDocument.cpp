#include "settings/IniDocument.h"

#include "text/AsciiText.h"

namespace quillon {

namespace {

constexpr char kBlanks[] = " \t\r\v\f";

std::string Trim(const std::string& s) {
    size_t begin = s.find_first_not_of(kBlanks);
    if (begin == std::string::npos) {
        return {};
    }
    size_t end = s.find_last_not_of(kBlanks);
    return s.substr(begin, end - begin + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    return EqualsIgnoringAsciiCase(a, b);
}

std::string Unquote(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        return v.substr(1, v.size() - 2);
    }
    return v;
}

}  // namespace

IniDocument::IniDocument(const std::string& text) : eol_(LineEndOf(text)) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        std::string line = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines_.push_back(Parse(std::move(line)));
        if (nl == std::string::npos) {
            break;
        }
        pos = nl + 1;
    }
}

IniDocument IniDocument::WithLineEnd(std::string_view eol) {
    IniDocument doc;
    doc.eol_ = eol;
    return doc;
}

IniDocument::Line IniDocument::Parse(std::string text) {
    Line line;
    std::string trimmed = Trim(text);
    line.text = std::move(text);
    if (trimmed.empty() || trimmed[0] == ';') {
        return line;
    }
    if (trimmed[0] == '[') {
        size_t close = trimmed.find(']');
        line.kind = Line::kSection;
        line.name =
            Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return line;
    }
    size_t eq = trimmed.find('=');
    if (eq == std::string::npos) {
        return line;
    }
    line.kind = Line::kEntry;
    line.name = Trim(trimmed.substr(0, eq));
    line.value = Unquote(Trim(trimmed.substr(eq + 1)));
    return line;
}

size_t IniDocument::FindSection(const std::string& section) const {
    std::string wanted = Trim(section);
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Line::kSection && SameName(lines_[i].name, wanted)) {
            return i;
        }
    }
    return std::string::npos;
}

std::optional<std::string> IniDocument::Find(const std::string& section,
                                             const std::string& key) const {
    size_t start = FindSection(section);
    if (start == std::string::npos) {
        return std::nullopt;
    }
    std::string wanted = Trim(key);
    for (size_t i = start + 1; i < lines_.size() && lines_[i].kind != Line::kSection; ++i) {
        if (lines_[i].kind == Line::kEntry && SameName(lines_[i].name, wanted)) {
            return lines_[i].value;
        }
    }
    return std::nullopt;
}

void IniDocument::Set(const std::string& section, const std::string& key,
                      const std::string& value) {
    std::string name = Trim(key);
    Line entry = Parse(name + "=" + value);
    size_t start = FindSection(section);
    if (start == std::string::npos) {
        lines_.push_back(Parse("[" + Trim(section) + "]"));
        lines_.push_back(std::move(entry));
        return;
    }
    size_t insertAt = start + 1;
    for (size_t i = start + 1; i < lines_.size() && lines_[i].kind != Line::kSection; ++i) {
        if (lines_[i].kind == Line::kEntry && SameName(lines_[i].name, name)) {
            lines_[i] = std::move(entry);
            return;
        }
        if (!Trim(lines_[i].text).empty()) {
            insertAt = i + 1;
        }
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
}

std::string IniDocument::Text() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += eol_;
    }
    return out;
}

}  // namespace quillon
