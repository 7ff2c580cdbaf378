#include "sim/LoopbackSerialBackend.h"

#include <chrono>
#include <vector>

namespace quillon::sim {

namespace {

constexpr auto kIdleInterval = std::chrono::milliseconds(5);  // OnIdle while the host is quiet

}  // namespace

LoopbackSerialBackend::LoopbackSerialBackend(SimulatedUnit& unit)
    : unit_(unit), thread_([this] { Run(); }) {}

LoopbackSerialBackend::~LoopbackSerialBackend() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
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
    if (delayMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    }
    std::lock_guard lock(mutex_);
    if (!hungUp_) {
        toHost_.insert(toHost_.end(), bytes.begin(), bytes.end());
    }
    changed_.notify_all();
}

void LoopbackSerialBackend::Hangup() {
    std::lock_guard lock(mutex_);
    hungUp_ = true;
    toHost_.clear();
    changed_.notify_all();
}

void LoopbackSerialBackend::WaitUntilHostDone(int limitMs) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(limitMs),
                      [this] { return !open_ && toUnit_.empty() && !unitBusy_; });
}

int LoopbackSerialBackend::ResetPort(int, int, int) {
    std::lock_guard lock(mutex_);
    open_ = true;
    toHost_.clear();
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
    std::lock_guard lock(mutex_);
    toHost_.clear();
    return 0;
}

int LoopbackSerialBackend::WriteBlock(int, const uint8_t* bytes, uint16_t count) {
    std::lock_guard lock(mutex_);
    if (!open_) {
        return kSerialNotOpen;
    }
    if (hungUp_) {
        return kSerialIoError;
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
    std::lock_guard lock(mutex_);
    if (!open_) {
        return kSerialNotOpen;
    }
    if (toHost_.empty()) {
        return hungUp_ ? kSerialIoError : 0;
    }
    int n = 0;
    for (; n < max && !toHost_.empty(); ++n) {
        buffer[n] = toHost_.front();
        toHost_.pop_front();
    }
    return n;
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
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [this] { return !toHost_.empty() || hungUp_ || !open_; });
    return open_ && !toHost_.empty();
}

std::string LoopbackSerialBackend::DevicePath(int) const {
    return "the simulated unit's line";
}

std::string LoopbackSerialBackend::LastErrorText(int) const {
    std::lock_guard lock(mutex_);
    return hungUp_ ? "The simulated unit dropped the line." : std::string();
}

}  // namespace quillon::sim
