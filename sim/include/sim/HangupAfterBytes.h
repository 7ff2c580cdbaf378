// A simulated unit that drops the line once it has received a given number of bytes from the
// host (a pulled cable at an arbitrary moment, even inside a frame); until then it is the unit
// it wraps.
#pragma once

#include <atomic>
#include <cstdint>

#include "sim/SimulatedUnit.h"

namespace quillon::sim {

class HangupAfterBytes final : public SimulatedUnit {
  public:
    // limit 0: never.
    HangupAfterBytes(SimulatedUnit& inner, uint64_t limit) : inner_(inner), limit_(limit) {}

    void OnReceived(const uint8_t* data, size_t count, UnitLine& line) override {
        if (hungUp_) {
            return;
        }
        const bool last = limit_ != 0 && received_ + count >= limit_;
        const size_t taken = last ? static_cast<size_t>(limit_ - received_) : count;
        received_ += taken;
        inner_.OnReceived(data, taken, line);
        if (last) {
            hungUp_ = true;
            line.Hangup();
        }
    }
    void OnIdle(UnitLine& line) override {
        if (!hungUp_) {
            inner_.OnIdle(line);
        }
    }
    bool ActsWhenIdle() const override { return !hungUp_ && inner_.ActsWhenIdle(); }
    bool HungUp() const { return hungUp_; }

  private:
    SimulatedUnit& inner_;
    const uint64_t limit_;
    uint64_t received_ = 0;
    std::atomic<bool> hungUp_{false};
};

}  // namespace quillon::sim
