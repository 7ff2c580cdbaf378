// Pieces the progress window tests share: a sound recorder, a serial line that gives the
// simulated unit time to take each file's end before the next file starts (the real pause does
// that on a real line; the fake clock makes it take no time), and firmware-shaped files.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dialogs/SoundPlayer.h"
#include "serial/PosixSerialBackend.h"

namespace quillon::test {

class RecordingSoundPlayer final : public SoundPlayer {
  public:
    void Play(const std::string& path) override { played.push_back(path); }
    std::vector<std::string> played;
};

// Every port index is the given device; before each file's clearing call (after the first)
// waits, in real time and at most 5 s, until `ready(filesStarted)` says the unit has caught up.
class PacedSerial final : public SerialBackend {
  public:
    PacedSerial(std::string device, std::function<bool(int filesDone)> ready)
        : device_(std::move(device)), ready_(std::move(ready)) {}

    int ResetPort(int port, int rx, int tx) override {
        inner_.SetDevice(port, device_);
        return inner_.ResetPort(port, rx, tx);
    }
    int SetBaud(int port, int code) override { return inner_.SetBaud(port, code); }
    int SetDtr(int port, char c) override { return inner_.SetDtr(port, c); }
    int SetRts(int port, char c) override { return inner_.SetRts(port, c); }
    int ClearTransmitQueue(int port) override {
        if (ready_ && clears_ > 0) {
            for (int i = 0; i < 500 && !ready_(clears_); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        ++clears_;
        return inner_.ClearTransmitQueue(port);
    }
    int ClearReceiveQueue(int port) override { return inner_.ClearReceiveQueue(port); }
    int WriteBlock(int port, const uint8_t* b, uint16_t n) override {
        return inner_.WriteBlock(port, b, n);
    }
    int WriteByte(int port, uint8_t b) override { return inner_.WriteByte(port, b); }
    int ReadByte(int port) override { return inner_.ReadByte(port); }
    int ReadBlock(int port, uint8_t* b, int max) override { return inner_.ReadBlock(port, b, max); }
    int ClosePort(int port) override { return inner_.ClosePort(port); }
    bool WaitForData(int port, uint32_t ms) override { return inner_.WaitForData(port, ms); }
    std::string LastErrorText(int port) const override { return inner_.LastErrorText(port); }

  private:
    PosixSerialBackend inner_;
    std::string device_;
    std::function<bool(int)> ready_;
    int clears_ = 0;
};

inline std::string PatternFile(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return bytes;
}

}  // namespace quillon::test
