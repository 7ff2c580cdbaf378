#include <windows.h>

#include <array>

#include "platform/WeekdayName.h"
#include "platform/WideText.h"

namespace quillon {

namespace {

constexpr std::array<const char*, 7> kEnglishNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                      "Thursday", "Friday", "Saturday"};

}  // namespace

std::string WeekdayNameInUserLocale(int weekday) {
    if (weekday < 0 || weekday > 6) {
        return {};
    }
    // The system numbers the names from Monday (LOCALE_SDAYNAME1) to Sunday (LOCALE_SDAYNAME7).
    const LCTYPE item = LOCALE_SDAYNAME1 + static_cast<LCTYPE>((weekday + 6) % 7);
    std::array<wchar_t, 80> name{};
    int n = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, item, name.data(), static_cast<int>(name.size()));
    if (n <= 1) {
        return kEnglishNames[static_cast<size_t>(weekday)];
    }
    return Utf8FromWide(std::wstring(name.data(), static_cast<size_t>(n - 1)));
}

}  // namespace quillon
