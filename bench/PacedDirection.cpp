#include "bench/PacedDirection.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace quillon::bench {

namespace {
constexpr size_t kReadChunk = 4096;
}

PacedDirection::PacedDirection(int fromFd, int toFd, uint32_t baud)
    : from_(fromFd), to_(toFd), baud_(baud) {}

int64_t PacedDirection::EndOfByte(const Burst& burst, size_t count) const {
    // Integer nanoseconds from the burst start, so rounding never accumulates along a burst.
    return burst.startNs + static_cast<int64_t>(count) * kBitsPerByte * kNanosPerSecond /
                               static_cast<int64_t>(baud_);
}

size_t PacedDirection::DueCount(const Burst& burst, int64_t nowNs) const {
    if (baud_ == 0) {
        return burst.bytes.size();
    }
    if (nowNs <= burst.startNs) {
        return 0;
    }
    const int64_t bits = (nowNs - burst.startNs) * static_cast<int64_t>(baud_) / kNanosPerSecond;
    return std::min(burst.bytes.size(), static_cast<size_t>(bits / kBitsPerByte));
}

bool PacedDirection::ReadFrom(int64_t nowNs) {
    uint8_t buffer[kReadChunk];
    const size_t room = std::min(kReadChunk, kQueueCap - std::min(queued_, kQueueCap));
    if (room == 0) {
        return true;
    }
    const ssize_t n = ::read(from_, buffer, room);
    if (n <= 0) {
        // EAGAIN after a spurious wake-up, or EIO while no one holds the device end: no bytes.
        return false;
    }
    Accept(buffer, static_cast<size_t>(n), nowNs);
    return true;
}

void PacedDirection::Accept(const uint8_t* bytes, size_t count, int64_t nowNs) {
    if (count == 0) {
        return;
    }
    bytesIn_ += count;
    queued_ += count;
    const bool lineBusy = baud_ != 0 && !queue_.empty() && nowNs < lineFreeAtNs_;
    if (lineBusy || (baud_ == 0 && !queue_.empty())) {
        queue_.back().bytes.insert(queue_.back().bytes.end(), bytes, bytes + count);
    } else {
        Burst burst;
        burst.startNs = nowNs;
        burst.bytes.assign(bytes, bytes + count);
        queue_.push_back(std::move(burst));
    }
    if (baud_ != 0) {
        lineFreeAtNs_ = EndOfByte(queue_.back(), queue_.back().bytes.size());
    }
}

void PacedDirection::Deliver(int64_t nowNs) {
    blocked_ = false;
    while (!queue_.empty()) {
        Burst& burst = queue_.front();
        const size_t due = DueCount(burst, nowNs);
        if (due > burst.written) {
            const ssize_t n = ::write(to_, burst.bytes.data() + burst.written, due - burst.written);
            if (n < 0) {
                // EAGAIN: the far side's buffer is full. Anything else: keep the bytes and try
                // again at the next wake-up rather than lose them.
                blocked_ = errno == EAGAIN || errno == EWOULDBLOCK;
                return;
            }
            burst.written += static_cast<size_t>(n);
            bytesOut_ += static_cast<uint64_t>(n);
            queued_ -= static_cast<size_t>(n);
            if (burst.written < due) {
                blocked_ = true;
                return;
            }
        }
        if (burst.written < burst.bytes.size()) {
            return;
        }
        queue_.pop_front();
    }
}

std::optional<int64_t> PacedDirection::NextWake() const {
    if (queue_.empty() || blocked_) {
        return std::nullopt;
    }
    const Burst& burst = queue_.front();
    if (baud_ == 0) {
        return burst.startNs;
    }
    const int64_t nextByte = EndOfByte(burst, burst.written + 1);
    const int64_t lastOfBurst = EndOfByte(burst, burst.bytes.size());
    return std::min(lastOfBurst, nextByte + kBurstNanos);
}

}  // namespace quillon::bench
