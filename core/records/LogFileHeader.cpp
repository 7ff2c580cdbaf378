#include "records/LogFileHeader.h"

#include <array>
#include <cerrno>
#include <ctime>

#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "platform/WeekdayName.h"
#include "program/AppFiles.h"
#include "program/Version.h"

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
    return JoinPath(appDir, app_files::kLogsFolder);
}

std::string DatedLogFileName(const std::string& logsFolder, const char* prefix,
                             const LocalTime& now, int copy) {
    std::array<char, 64> name{};
    std::snprintf(name.data(), name.size(), "%s%02d%02d%02d_%02d%02d%4d", prefix, now.hour,
                  now.minute, now.second, now.month, now.day, now.year);
    const std::string suffix = copy > 1 ? "_" + std::to_string(copy) : "";
    return JoinPath(logsFolder, name.data() + suffix + ".txt");
}

std::FILE* CreateDatedLog(const std::string& logsFolder, const char* prefix, const LocalTime& now,
                          std::string* path) {
    // More runs than this in one second means something else is wrong; stop looking.
    constexpr int kMostCopies = 1000;
    for (int copy = 1; copy <= kMostCopies; ++copy) {
        *path = DatedLogFileName(logsFolder, prefix, now, copy);
        errno = 0;
        if (std::FILE* file = fs::CreateNewLog(*path)) {
            return file;
        }
        if (errno != EEXIST) {
            return nullptr;
        }
    }
    *path = DatedLogFileName(logsFolder, prefix, now);
    return nullptr;
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
