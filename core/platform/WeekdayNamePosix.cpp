#include <locale.h>
#include <time.h>

#include <array>
#include <ctime>

#include "platform/WeekdayName.h"

namespace quillon {

namespace {

std::string WeekdayIn(const char* localeName, int weekday) {
    // A locale object of our own: setlocale would change the whole program's behaviour.
    locale_t locale = newlocale(LC_TIME_MASK, localeName, static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) {
        return {};
    }
    std::tm parts{};
    parts.tm_wday = weekday;
    std::array<char, 128> text{};
    size_t n = strftime_l(text.data(), text.size(), "%A", &parts, locale);
    freelocale(locale);
    return n == 0 ? std::string() : std::string(text.data());
}

}  // namespace

std::string WeekdayNameInUserLocale(int weekday) {
    if (weekday < 0 || weekday > 6) {
        return {};
    }
    std::string name = WeekdayIn("", weekday);
    return name.empty() ? WeekdayIn("C", weekday) : name;
}

}  // namespace quillon
