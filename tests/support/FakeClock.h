// A clock for tests: virtual time that starts at a fixed date, sleeps that take no real time and
// waits for input that last 1/scale of the asked time, so that a 6-second response time-out over a
// real pseudo-terminal takes a fraction of a second while a peer that answers at once still wins.
// Scale 0: the line runs its unit on this clock (stepped loopback) and moves it on as it waits.
#pragma once

#include <atomic>
#include <mutex>

#include "platform/Clock.h"

namespace quillon::test {

// A valid local time; weekday 0 is Sunday.
inline LocalTime At(int year, int month, int day, int hour, int minute, int second, int weekday) {
    return {true, year, month, day, hour, minute, second, weekday};
}

class FakeClock final : public Clock {
  public:
    explicit FakeClock(LocalTime start = DefaultStart(), uint32_t scale = 20)
        : start_(start), scale_(scale) {}

    static LocalTime DefaultStart() { return At(2024, 7, 15, 14, 30, 5, 1); }  // a Monday

    uint32_t TickCount() override { return static_cast<uint32_t>(elapsedMs_.load()); }
    void Sleep(uint32_t ms) override {
        elapsedMs_ += ms;
        sleptMs_ += ms;
    }
    // Virtual time moves by the whole wait when nothing came, else by the real time waited,
    // scaled up, so that answers keep their place in virtual time.
    bool WaitFor(Waitable& source, uint32_t ms) override;
    LocalTime Now() override;

    void Advance(uint64_t ms) { elapsedMs_ += ms; }
    uint64_t ElapsedMs() const { return elapsedMs_.load(); }
    uint64_t SleptMs() const { return sleptMs_.load(); }
    void SetNow(LocalTime t) {
        std::lock_guard lock(mutex_);
        start_ = t;
        elapsedMs_ = 0;
    }

  private:
    std::mutex mutex_;
    LocalTime start_;
    uint32_t scale_;
    std::atomic<uint64_t> elapsedMs_{0};
    std::atomic<uint64_t> sleptMs_{0};
};

}  // namespace quillon::test
