#include "records/LogFileHeader.h"

#include <array>
#include <ctime>

#include "platform/AppFiles.h"
#include "platform/ProgramState.h"
#include "platform/WeekdayName.h"

namespace quillon {

namespace {

constexpr size_t kMaxWeekdayBytes = 15;
constexpr int kDaysPerWeek = 7;
constexpr unsigned char kUtf8ContinuationMask = 0xC0;
constexpr unsigned char kUtf8Continuation = 0x80;

// Cuts to at most maxBytes without leaving half of a multi-byte character behind.
std::string CutUtf8(std::string text, size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    size_t end = maxBytes;
    while (end > 0 &&
           (static_cast<unsigned char>(text[end]) & kUtf8ContinuationMask) == kUtf8Continuation) {
        --end;
    }
    text.resize(end);
    return text;
}

}  // namespace

std::string LogsFolder(const std::string& appDir) {
    if (appDir.empty() || appDir.back() == '/') {
        return app_files::LogsDir(appDir);
    }
    return appDir + "/Logs";
}

std::string DatedLogFileName(const std::string& logsFolder, const char* prefix,
                             const LocalTime& now) {
    std::array<char, 64> name{};
    std::snprintf(name.data(), name.size(), "%s%02d%02d%02d_%02d%02d%4d.txt", prefix, now.hour,
                  now.minute, now.second, now.month, now.day, now.year);
    return logsFolder + "/" + name.data();
}

std::string LocalizedWeekdayName(int weekday) {
    if (weekday < 0 || weekday >= kDaysPerWeek) {
        return {};
    }
    std::string name = WeekdayNameInUserLocale(weekday);
    return CutUtf8(name, kMaxWeekdayBytes);
}

void WriteLogFileHeader(std::FILE* file, const LocalTime& now) {
    if (file == nullptr) {
        return;
    }
    std::fprintf(file, "=-=-=-=-=  Log File Quillon7 version %d.%d\n", kVersionMajor,
                 kVersionMinor);
    std::fprintf(file, "=-=-=-=-=  Created %s %02d:%02d:%02d  %d/%d/%d\n",
                 LocalizedWeekdayName(now.weekday).c_str(), now.hour, now.minute, now.second,
                 now.month, now.day, now.year);
}

}  // namespace quillon
