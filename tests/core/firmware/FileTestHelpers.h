// Files for the file-check tests: sparse files of an exact size with chosen bytes at chosen
// offsets, so that multi-megabyte cases cost no disk and no time.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillon::test {

inline void PutBytes(const std::string& path, uint64_t offset, const std::string& bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0 || ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) !=
                      static_cast<ssize_t>(bytes.size())) {
        throw std::runtime_error("cannot write " + path);
    }
    ::close(fd);
}

// A file of exactly size bytes, all NUL (sparse), created or replaced.
inline std::string MakeSizedFile(const std::string& path, uint64_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        throw std::runtime_error("cannot make " + path);
    }
    ::close(fd);
    return path;
}

// text as 16-bit little-endian characters.
inline std::string Wide(const std::string& text) {
    std::string out;
    for (char c : text) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

}  // namespace quillon::test
