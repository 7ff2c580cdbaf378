// Bytes on their way across the simulated line, first in, first out. Taken bytes are dropped in
// bulk, so a unit that floods the line costs no allocation per byte.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillon::sim {

class ByteQueue {
  public:
    bool Empty() const { return taken_ == bytes_.size(); }
    template <typename Iterator>
    void Append(Iterator first, Iterator last) {
        bytes_.insert(bytes_.end(), first, last);
    }
    // Moves up to max bytes into buffer; returns how many.
    size_t Take(uint8_t* buffer, size_t max) {
        const size_t n = std::min(max, bytes_.size() - taken_);
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(taken_), n, buffer);
        taken_ += n;
        if (Empty()) {
            Clear();
        } else if (taken_ >= kCompactAfter) {
            bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(taken_));
            taken_ = 0;
        }
        return n;
    }
    void Clear() {
        bytes_.clear();
        taken_ = 0;
    }

  private:
    static constexpr size_t kCompactAfter = 4096;  // taken bytes kept before they are dropped
    std::vector<uint8_t> bytes_;
    size_t taken_ = 0;  // bytes_ before this index are taken
};

}  // namespace quillon::sim
