#include "sim/LoopbackSerialBackend.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace quillon::sim {

namespace {

constexpr auto kIdleInterval = std::chrono::milliseconds(5);  // OnIdle while the host is quiet

}  // namespace

LoopbackSerialBackend::LoopbackSerialBackend(SimulatedUnit& unit, Clock* steppedBy)
    : unit_(unit), clock_(steppedBy) {
    if (clock_ != nullptr) {
        clockTick_ = clock_->TickCount();
        nextIdle_ = kIdleInterval.count();
    } else {
        thread_ = std::thread([this] { Run(); });
    }
}

LoopbackSerialBackend::~LoopbackSerialBackend() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

uint64_t LoopbackSerialBackend::CatchUp() {
    if (clock_ != nullptr) {
        const uint32_t tick = clock_->TickCount();
        StepTo(unitTime_ + static_cast<uint32_t>(tick - clockTick_));
        clockTick_ = tick;
    }
    return unitTime_;
}

// The unit is never called with mutex_ held: its answers come back through Send.
void LoopbackSerialBackend::StepTo(uint64_t target) {
    constexpr uint64_t kIdleMs = kIdleInterval.count();
    if (target >= nextIdle_ && !unit_.ActsWhenIdle()) {  // the ticks up to target change nothing
        nextIdle_ += (target - nextIdle_) / kIdleMs * kIdleMs;
    }
    while (unitTime_ < target) {
        unitTime_ = std::min<uint64_t>(target, nextIdle_);
        DeliverDue();
        if (unitTime_ == nextIdle_) {
            nextIdle_ += kIdleInterval.count();
            unit_.OnIdle(*this);
        }
    }
    DeliverDue();
}

void LoopbackSerialBackend::DeliverDue() {
    std::lock_guard lock(mutex_);
    for (; !pending_.empty() && pending_.front().due <= unitTime_; pending_.pop_front()) {
        toHost_.Append(pending_.front().bytes.begin(), pending_.front().bytes.end());
    }
}

std::chrono::steady_clock::time_point LoopbackSerialBackend::Now() const {
    if (clock_ == nullptr) {
        return std::chrono::steady_clock::now();
    }
    return std::chrono::steady_clock::time_point(std::chrono::milliseconds(unitTime_));
}

void LoopbackSerialBackend::Run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        changed_.wait_for(lock, kIdleInterval, [this] { return stop_ || !toUnit_.empty(); });
        if (stop_) {
            break;
        }
        std::vector<uint8_t> bytes(toUnit_.begin(), toUnit_.end());
        toUnit_.clear();
        unitBusy_ = true;
        lock.unlock();
        if (bytes.empty()) {
            unit_.OnIdle(*this);
        } else {
            unit_.OnReceived(bytes.data(), bytes.size(), *this);
        }
        lock.lock();
        unitBusy_ = false;
        changed_.notify_all();
    }
}

void LoopbackSerialBackend::Send(const std::vector<uint8_t>& bytes, uint32_t delayMs) {
    if (clock_ != nullptr) {
        // As on the unit's own thread, a delayed answer holds back the ones after it.
        std::lock_guard lock(mutex_);
        lineFreeAt_ = std::max(lineFreeAt_, unitTime_) + delayMs;
        if (!hungUp_) {
            pending_.push_back({lineFreeAt_, bytes});
        }
        return;
    }
    if (delayMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    }
    std::lock_guard lock(mutex_);
    if (!hungUp_) {
        toHost_.Append(bytes.begin(), bytes.end());
    }
    changed_.notify_all();
}

void LoopbackSerialBackend::Hangup() {
    std::lock_guard lock(mutex_);
    hungUp_ = true;
    toHost_.Clear();
    pending_.clear();
    changed_.notify_all();
}

void LoopbackSerialBackend::WaitUntilHostDone(int limitMs) {
    if (clock_ != nullptr) {
        return;  // the unit took every byte as it was written
    }
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(limitMs),
                      [this] { return !open_ && toUnit_.empty() && !unitBusy_; });
}

bool LoopbackSerialBackend::IsOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

int LoopbackSerialBackend::ResetPort(int, int, int) {
    CatchUp();
    std::lock_guard lock(mutex_);
    open_ = true;
    toHost_.Clear();
    return 0;
}

int LoopbackSerialBackend::SetBaud(int, int) {
    return 0;
}

int LoopbackSerialBackend::SetDtr(int, char) {
    return 0;
}

int LoopbackSerialBackend::SetRts(int, char) {
    return 0;
}

// The unit's thread takes written bytes at once, so there is never anything to drop.
int LoopbackSerialBackend::ClearTransmitQueue(int) {
    return 0;
}

int LoopbackSerialBackend::ClearReceiveQueue(int) {
    CatchUp();
    std::lock_guard lock(mutex_);
    toHost_.Clear();
    return 0;
}

int LoopbackSerialBackend::WriteBlock(int, const uint8_t* bytes, uint16_t count) {
    CatchUp();
    std::unique_lock lock(mutex_);
    if (!open_) {
        return kSerialNotOpen;
    }
    if (hungUp_) {
        return kSerialIoError;
    }
    if (clock_ != nullptr) {
        lock.unlock();
        if (bytes != nullptr && count > 0) {
            unit_.OnReceived(bytes, count, *this);
        }
        return bytes == nullptr ? 0 : count;
    }
    if (bytes != nullptr) {
        toUnit_.insert(toUnit_.end(), bytes, bytes + count);
    }
    changed_.notify_all();
    return bytes == nullptr ? 0 : count;
}

int LoopbackSerialBackend::WriteByte(int port, uint8_t byte) {
    return WriteBlock(port, &byte, 1) == 1 ? 0 : kSerialIoError;
}

int LoopbackSerialBackend::ReadSome(uint8_t* buffer, int max) {
    CatchUp();
    std::lock_guard lock(mutex_);
    if (!open_) {
        return kSerialNotOpen;
    }
    if (toHost_.Empty()) {
        return hungUp_ ? kSerialIoError : 0;
    }
    return static_cast<int>(toHost_.Take(buffer, static_cast<size_t>(max)));
}

int LoopbackSerialBackend::ReadByte(int) {
    uint8_t byte = 0;
    int got = ReadSome(&byte, 1);
    if (got == 1) {
        return byte;
    }
    return got == 0 ? kSerialNothingWaiting : got;
}

int LoopbackSerialBackend::ReadBlock(int, uint8_t* buffer, int max) {
    if (buffer == nullptr || max < 1) {
        return 0;
    }
    return ReadSome(buffer, max);
}

int LoopbackSerialBackend::ClosePort(int) {
    std::lock_guard lock(mutex_);
    open_ = false;
    changed_.notify_all();
    return 0;
}

bool LoopbackSerialBackend::WaitForData(int, uint32_t timeoutMs) {
    if (clock_ != nullptr) {
        const uint64_t end = CatchUp() + timeoutMs;
        for (;;) {
            uint64_t next = std::min(end, nextIdle_);
            {
                std::lock_guard lock(mutex_);
                if (!toHost_.Empty() || hungUp_ || !open_ || unitTime_ >= end) {
                    return open_ && !toHost_.Empty();
                }
                if (!pending_.empty()) {
                    next = std::min(next, pending_.front().due);
                }
            }
            clock_->Sleep(static_cast<uint32_t>(next - unitTime_));
            CatchUp();
        }
    }
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [this] { return !toHost_.Empty() || hungUp_ || !open_; });
    return open_ && !toHost_.Empty();
}

std::string LoopbackSerialBackend::DevicePath(int) const {
    return "the simulated unit's line";
}

std::string LoopbackSerialBackend::LastErrorText(int) const {
    std::lock_guard lock(mutex_);
    return hungUp_ ? "The simulated unit dropped the line." : std::string();
}

}  // namespace quillon::sim
