#include "settings/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "settings/IniDocument.h"

namespace quillon {

namespace {

bool WriteAll(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace

bool IniFile::Exists() const {
    struct stat st {};
    return ::lstat(path_.c_str(), &st) == 0;
}

std::optional<std::string> IniFile::Load(bool* readable) const {
    *readable = false;
    int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        return std::string();  // exists but cannot be opened
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<uint64_t>(st.st_size) > kMaxFileSize) {
        ::close(fd);
        return std::string();
    }
    std::string content;
    char buffer[16384];
    while (content.size() <= kMaxFileSize) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            ::close(fd);
            return std::string();
        }
        if (n == 0) {
            break;
        }
        content.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    if (content.size() > kMaxFileSize) {
        return std::string();
    }
    *readable = true;
    return content;
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
    // A name no other writer (thread or process) uses at the same moment.
    static std::atomic<unsigned> serial{0};
    std::string temp =
        path_ + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(serial.fetch_add(1));
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAll(fd, content) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), path_.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    int dir = ::open(FolderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace quillon
