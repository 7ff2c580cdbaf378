// Splits one fuzzer input into the pieces a target needs (small numbers, length-prefixed chunks,
// the rest), and the scratch folder every target that touches files works in. Running out of
// input is never an error: the pieces just come back empty.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace quillon::fuzz {

class FuzzInput {
  public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return pos_ >= size_; }
    uint8_t Byte() { return Empty() ? 0 : data_[pos_++]; }
    // A chunk whose length (0..255) is the next byte.
    std::vector<uint8_t> Chunk() {
        const size_t want = Byte();
        return Take(want);
    }
    std::string ChunkText() {
        std::vector<uint8_t> bytes = Chunk();
        return std::string(bytes.begin(), bytes.end());
    }
    std::vector<uint8_t> Rest() { return Take(size_ - pos_); }
    std::vector<uint8_t> Take(size_t count) {
        count = std::min(count, size_ - pos_);
        std::vector<uint8_t> bytes(data_ + pos_, data_ + pos_ + count);
        pos_ += count;
        return bytes;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// A folder made once per fuzzing process and removed at its end; with a trailing '/'.
inline const std::string& ScratchDir() {
    struct Dir {
        std::string path;
        Dir() {
            std::string pattern =
                (std::filesystem::temp_directory_path() / "quillon7-fuzz-XXXXXX").string();
            if (mkdtemp(pattern.data()) == nullptr) {
                std::perror("mkdtemp");
                std::abort();
            }
            path = pattern + "/";
        }
        ~Dir() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static Dir dir;
    return dir.path;
}

// False when the file cannot be written (a folder or link of that name is in the way). With
// exclusive set, something already at the path (a link, too) is never written through.
inline bool TryWriteFile(const std::string& path, const std::vector<uint8_t>& bytes,
                         bool exclusive = false) {
    std::FILE* f = std::fopen(path.c_str(), exclusive ? "wbx" : "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// For the target's own files, which must be written.
inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (!TryWriteFile(path, bytes)) {
        std::perror(path.c_str());
        std::abort();
    }
}

// Stops the run with a message libFuzzer shows next to the input that caused it.
#define QUILLON_FUZZ_CHECK(condition)                                                          \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

}  // namespace quillon::fuzz
