#include "platform/Clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace quillon {

uint32_t SystemClock::TickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SystemClock::Sleep(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool SystemClock::WaitFor(Waitable& source, uint32_t ms) {
    return source.WaitReadable(ms);
}

bool LocalCalendarTime(std::time_t t, std::tm* parts) {
#ifdef _WIN32
    return localtime_s(parts, &t) == 0;
#else
    return localtime_r(&t, parts) != nullptr;
#endif
}

LocalTime SystemClock::Now() {
    LocalTime t;
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (now == static_cast<std::time_t>(-1) || !LocalCalendarTime(now, &parts)) {
        return t;
    }
    t.valid = true;
    t.year = parts.tm_year + 1900;
    t.month = parts.tm_mon + 1;
    t.day = parts.tm_mday;
    t.hour = parts.tm_hour;
    t.minute = parts.tm_min;
    t.second = parts.tm_sec;
    t.weekday = parts.tm_wday;
    return t;
}

}  // namespace quillon
