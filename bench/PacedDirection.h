// One direction of an emulated serial line: bytes read from one pseudo-terminal master are
// handed to another no earlier than a line of the given baud rate (8N1) would have carried them.
// Nothing is ever dropped: bytes the far side cannot take yet stay queued.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace quillon::bench {

class PacedDirection {
  public:
    static constexpr int64_t kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
    static constexpr int64_t kNanosPerSecond = 1'000'000'000;
    // Bytes held before the source is no longer read (the sender then feels the pty fill up).
    static constexpr size_t kQueueCap = 64 * 1024;
    // Bytes that are due are written in bursts this far apart; the last byte queued is always
    // written the moment it is due, so an answer waiting on it is never held back.
    static constexpr int64_t kBurstNanos = 500'000;

    // baud 0 means an unpaced line: bytes pass as soon as they are read.
    PacedDirection(int fromFd, int toFd, uint32_t baud);

    // Takes bytes that arrived at `nowNs`; returns false when the source reports no bytes.
    bool ReadFrom(int64_t nowNs);
    // Appends bytes that arrived at `nowNs` (ReadFrom's second half; also what a test feeds).
    void Accept(const uint8_t* bytes, size_t count, int64_t nowNs);
    // Writes every byte due by `nowNs` that the far side will take.
    void Deliver(int64_t nowNs);

    bool WantsInput() const { return queued_ < kQueueCap; }
    // True when the far side refused bytes that were due: wait for it to be writable.
    bool Blocked() const { return blocked_; }
    // When Deliver has something to do next; nothing when the queue is empty or blocked.
    std::optional<int64_t> NextWake() const;

    uint64_t BytesIn() const { return bytesIn_; }
    uint64_t BytesOut() const { return bytesOut_; }
    int FromFd() const { return from_; }
    int ToFd() const { return to_; }

  private:
    // Bytes that follow each other on the line without a gap: byte i (from 1) ends at
    // startNs + i * byte time.
    struct Burst {
        int64_t startNs = 0;
        std::vector<uint8_t> bytes;
        size_t written = 0;
    };

    int64_t EndOfByte(const Burst& burst, size_t count) const;
    size_t DueCount(const Burst& burst, int64_t nowNs) const;

    int from_;
    int to_;
    uint32_t baud_;
    std::deque<Burst> queue_;
    size_t queued_ = 0;
    int64_t lineFreeAtNs_ = 0;
    bool blocked_ = false;
    uint64_t bytesIn_ = 0;
    uint64_t bytesOut_ = 0;
};

}  // namespace quillon::bench
