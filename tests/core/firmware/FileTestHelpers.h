// Files for the file-check tests: sparse files of an exact size with chosen bytes at chosen
// offsets, so that multi-megabyte cases cost no disk and no time.
#pragma once

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <string>

namespace quillon::test {

inline void PutBytes(const std::string& path, uint64_t offset, const std::string& bytes) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
}

// A file of exactly size bytes, all NUL (sparse where the file system can), created or replaced.
inline std::string MakeSizedFile(const std::string& path, uint64_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (size > 0) {
        file.seekp(static_cast<std::streamoff>(size - 1));
        file.put('\0');
    }
    if (!file.flush()) {
        throw std::runtime_error("cannot make " + path);
    }
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
