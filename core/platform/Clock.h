// Time as the upload engine sees it: a millisecond tick count, sleeps, waits for input and the
// local time. Production uses SystemClock; tests hand in a clock that runs pauses and time-outs
// in a fraction of real time and returns fixed dates. Nothing here fails: a local time that
// cannot be had comes back with valid == false.
#pragma once

#include <cstdint>
#include <ctime>

namespace quillon {

struct LocalTime {
    bool valid = false;
    int year = 0;     // four digits
    int month = 0;    // 1..12
    int day = 0;      // 1..31
    int hour = 0;     // 0..23
    int minute = 0;   // 0..59
    int second = 0;   // 0..59
    int weekday = 0;  // 0 = Sunday .. 6 = Saturday
};

// Something that can wait until input is waiting (a serial port). The clock decides how long a
// wait of "ms" really lasts, so that tests can shorten it.
class Waitable {
  public:
    virtual ~Waitable() = default;
    // True as soon as input is waiting, false when realMs passed without any.
    virtual bool WaitReadable(uint32_t realMs) = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; wraps like the platform's 32-bit tick count.
    virtual uint32_t TickCount() = 0;
    virtual void Sleep(uint32_t ms) = 0;
    // Waits until `source` has input or `ms` passed; true when input is waiting.
    virtual bool WaitFor(Waitable& source, uint32_t ms) = 0;
    virtual LocalTime Now() = 0;
};

// The calendar fields of t in the local time zone, thread-safe; false when it has none.
bool LocalCalendarTime(std::time_t t, std::tm* parts);

// The real clock: steady tick count, real sleeps, the system's local time zone.
class SystemClock final : public Clock {
  public:
    uint32_t TickCount() override;
    void Sleep(uint32_t ms) override;
    bool WaitFor(Waitable& source, uint32_t ms) override;
    LocalTime Now() override;
};

}  // namespace quillon
