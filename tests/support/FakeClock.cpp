#include "tests/support/FakeClock.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace quillon::test {

bool FakeClock::WaitFor(Waitable& source, uint32_t ms) {
    if (scale_ == 0) {  // the source moves this clock on itself, as far as it waited
        const uint64_t before = elapsedMs_.load();
        const bool ready = source.WaitReadable(ms);
        elapsedMs_ = std::max(elapsedMs_.load(), ready ? before : before + ms);
        return ready;
    }
    auto begin = std::chrono::steady_clock::now();
    bool ready = source.WaitReadable(ms / scale_);
    if (!ready) {
        elapsedMs_ += ms;
    } else {
        auto real = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - begin)
                        .count();
        elapsedMs_ += std::min<uint64_t>(ms, static_cast<uint64_t>(real) * scale_);
    }
    return ready;
}

LocalTime FakeClock::Now() {
    std::lock_guard lock(mutex_);
    std::tm parts{};
    parts.tm_year = start_.year - 1900;
    parts.tm_mon = start_.month - 1;
    parts.tm_mday = start_.day;
    parts.tm_hour = start_.hour;
    parts.tm_min = start_.minute;
    parts.tm_sec = start_.second + static_cast<int>(elapsedMs_.load() / 1000);
    std::tm out{};
#ifdef _WIN32
    std::time_t t = _mkgmtime(&parts);
    gmtime_s(&out, &t);
#else
    std::time_t t = timegm(&parts);
    gmtime_r(&t, &out);
#endif
    LocalTime now = At(out.tm_year + 1900, out.tm_mon + 1, out.tm_mday, out.tm_hour, out.tm_min,
                       out.tm_sec, out.tm_wday);
    now.valid = start_.valid;
    return now;
}

}  // namespace quillon::test
