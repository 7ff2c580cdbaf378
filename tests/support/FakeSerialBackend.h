// A scripted serial line for unit tests of the protocol engines: it records every call, hands
// out queued receive bytes, and lets a test answer each write (the `onWrite` hook pushes the
// unit's reply). No real time passes: WaitForData only says whether bytes are queued.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "serial/SerialBackend.h"

namespace quillon::test {

class FakeSerialBackend : public SerialBackend {
  public:
    // Results of the two calls that can refuse an open.
    int resetResult = 0;
    int baudResult = 0;
    // Called with every block or byte written; push replies with Receive().
    std::function<void(const std::vector<uint8_t>&)> onWrite;
    // Called after the receive queue was cleared: bytes still on their way push in here.
    std::function<void()> onClear;
    // Set (by a test or its onWrite) when the line is gone: writes, and reads once nothing is
    // left to read, fail from then on.
    std::atomic<bool> lineLost{false};
    // Set when writes from then on take all but the last byte of a block.
    std::atomic<bool> shortWrites{false};

    void Receive(const std::vector<uint8_t>& bytes) {
        std::lock_guard lock(mutex_);
        rx_.insert(rx_.end(), bytes.begin(), bytes.end());
    }
    std::vector<std::string> Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    // Everything written, in order, as one stream.
    std::vector<uint8_t> Written() const {
        std::lock_guard lock(mutex_);
        return written_;
    }

    int ResetPort(int port, int rx, int tx) override {
        Record("ResetPort(" + std::to_string(port) + "," + std::to_string(rx) + "," +
               std::to_string(tx) + ")");
        return resetResult;
    }
    int SetBaud(int port, int code) override {
        Record("SetBaud(" + std::to_string(port) + "," + std::to_string(code) + ")");
        return baudResult;
    }
    int SetDtr(int port, char c) override {
        Record("SetDtr(" + std::to_string(port) + "," + std::string(1, c) + ")");
        return 0;
    }
    int SetRts(int port, char c) override {
        Record("SetRts(" + std::to_string(port) + "," + std::string(1, c) + ")");
        return 0;
    }
    int ClearTransmitQueue(int port) override {
        Record("ClearTransmitQueue(" + std::to_string(port) + ")");
        return 0;
    }
    int ClearReceiveQueue(int port) override {
        Record("ClearReceiveQueue(" + std::to_string(port) + ")");
        {
            std::lock_guard lock(mutex_);
            rx_.clear();
        }
        if (onClear) {
            onClear();
        }
        return 0;
    }
    int WriteBlock(int port, const uint8_t* bytes, uint16_t count) override {
        std::vector<uint8_t> block(bytes, bytes + count);
        Record("WriteBlock(" + std::to_string(port) + "," + std::to_string(count) + ")");
        {
            std::lock_guard lock(mutex_);
            written_.insert(written_.end(), block.begin(), block.end());
        }
        if (onWrite) {
            onWrite(block);
        }
        return lineLost ? static_cast<int>(kSerialIoError) : shortWrites ? count - 1 : count;
    }
    int WriteByte(int port, uint8_t byte) override {
        return WriteBlock(port, &byte, 1) > 0 ? 0 : -1;
    }
    int ReadByte(int) override {
        std::lock_guard lock(mutex_);
        if (rx_.empty()) {
            return lineLost ? kSerialIoError : kSerialNothingWaiting;
        }
        int b = rx_.front();
        rx_.pop_front();
        return b;
    }
    int ReadBlock(int, uint8_t* buffer, int max) override {
        std::lock_guard lock(mutex_);
        int n = 0;
        while (n < max && !rx_.empty()) {
            buffer[n++] = rx_.front();
            rx_.pop_front();
        }
        return n;
    }
    int ClosePort(int port) override {
        Record("ClosePort(" + std::to_string(port) + ")");
        return 0;
    }
    bool WaitForData(int, uint32_t) override {
        std::lock_guard lock(mutex_);
        return !rx_.empty();
    }
    std::string LastErrorText(int) const override { return {}; }

  private:
    void Record(std::string call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }

    mutable std::mutex mutex_;
    std::deque<uint8_t> rx_;
    std::vector<std::string> calls_;
    std::vector<uint8_t> written_;
};

}  // namespace quillon::test
