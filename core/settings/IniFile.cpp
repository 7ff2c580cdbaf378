#include "settings/IniFile.h"

#include "platform/FileSystem.h"
#include "platform/LineEnds.h"
#include "settings/IniDocument.h"

namespace quillon {

bool IniFile::Exists() const {
    return fs::EntryExists(path_);
}

std::string_view IniFile::LineEnd() const {
    bool readable = false;
    return LineEndOf(Load(&readable).value_or(""));
}

std::optional<std::string> IniFile::Load(bool* readable) const {
    std::string content;
    fs::ReadOutcome outcome = fs::ReadRegularFile(path_, kMaxFileSize, &content);
    *readable = outcome == fs::ReadOutcome::kRead;
    if (outcome == fs::ReadOutcome::kMissing) {
        return std::nullopt;
    }
    return *readable ? content : std::string();  // exists but cannot be read
}

std::optional<std::string> IniFile::Find(const std::string& section, const std::string& key) const {
    bool readable = false;
    std::optional<std::string> content = Load(&readable);
    if (!content || !readable) {
        return std::nullopt;
    }
    return IniDocument(*content).Find(section, key);
}

int32_t IniFile::ParseInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    uint32_t value = 0;  // wraps on overflow, as the platform's read did
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<int32_t>(value);
}

int32_t IniFile::GetInt(const std::string& section, const std::string& key, int32_t def) const {
    std::optional<std::string> value = Find(section, key);
    return value ? ParseInt(*value) : def;
}

std::string IniFile::GetString(const std::string& section, const std::string& key,
                               const std::string& def, size_t maxChars) const {
    std::string value = Find(section, key).value_or(def);
    if (value.size() > maxChars) {
        value.resize(maxChars);
    }
    return value;
}

bool IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    if (value.find_first_of("\r\n") != std::string::npos ||
        key.find_first_of("=\r\n") != std::string::npos) {
        return false;  // would break the file's line structure
    }
    bool readable = false;
    std::optional<std::string> content = Load(&readable);
    if (content && !readable) {
        return false;
    }
    IniDocument doc(content.value_or(""));
    doc.Set(section, key, value);
    return Replace(doc.Text());
}

bool IniFile::WriteInt(const std::string& section, const std::string& key, int32_t value) {
    return WriteString(section, key, std::to_string(value));
}

bool IniFile::Replace(const std::string& content) const {
    return fs::ReplaceFileContent(path_, content);
}

}  // namespace quillon
