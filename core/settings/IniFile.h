// One INI settings file read and written key by key, with the semantics of the old platform's
// private-profile calls: section and key names match without regard to case, blanks around
// names and values are trimmed, the first occurrence wins and a missing key gives the caller's
// default. Nothing is cached: every read reads the file. Every write replaces the file through a
// temporary file and a rename, so a crash leaves the old or the new file, never a mix. A file
// that is missing, unreadable, binary or larger than kMaxFileSize reads as empty; writes to a
// file that cannot be read refuse rather than overwrite what they could not see.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

class IniFile {
  public:
    static constexpr size_t kMaxFileSize = 4 * 1024 * 1024;

    explicit IniFile(std::string path) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }
    // True when something is at the path, readable or not.
    bool Exists() const;
    // What the file's lines end with, "\r\n" or "\n"; the platform's own when there is no file
    // or no line end in it yet.
    std::string_view LineEnd() const;

    // The value, or nullopt when the section or key is absent.
    std::optional<std::string> Find(const std::string& section, const std::string& key) const;
    // Like the platform's integer read: leading blanks, optional sign, decimal digits, the rest
    // ignored; no digits gives 0; absent gives def.
    int32_t GetInt(const std::string& section, const std::string& key, int32_t def) const;
    // At most maxChars characters of the value (or of def).
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def, size_t maxChars = 4095) const;

    // Replaces the first occurrence of the key in the first such section, or adds it. False when
    // the file could not be replaced (the old file is then untouched).
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInt(const std::string& section, const std::string& key, int32_t value);
    // Replaces the whole file with text (atomically). False when that failed.
    bool ReplaceWith(const std::string& text) { return Replace(text); }

    static int32_t ParseInt(const std::string& text);

  private:
    // The file's bytes; nullopt when missing. *readable is false when it exists but cannot be read.
    std::optional<std::string> Load(bool* readable) const;
    bool Replace(const std::string& content) const;

    std::string path_;
};

}  // namespace quillon
