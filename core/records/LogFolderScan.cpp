#include "records/LogFolderScan.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <limits>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"

namespace quillon {

namespace {

constexpr const char* kLogPrefix = "Quillon_Log";
constexpr const char* kSerialLogMarker = "Quillon_LogSerial";
constexpr const char* kLowerTextExtension = ".txt";
constexpr const char* kUpperTextExtension = ".TXT";
constexpr size_t kMaxNameLength = 255;
constexpr uint64_t kBytesPerKb = 1024;

constexpr std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

uint32_t SizeInKb(uint64_t bytes) {
    uint64_t kb = bytes / kBytesPerKb + (bytes % kBytesPerKb != 0 ? 1 : 0);
    return kb > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                     : static_cast<uint32_t>(kb);
}

void SetChangeTime(LogFileRow& row, std::time_t changed) {
    std::tm parts{};
    if (!LocalCalendarTime(changed, &parts)) {
        return;
    }
    row.year = parts.tm_year + 1900;
    row.month = parts.tm_mon + 1;
    row.day = parts.tm_mday;
    row.hour = parts.tm_hour;
    row.minute = parts.tm_min;
    row.second = parts.tm_sec;
}

// Name and extension split at the last dot of the entry name.
bool IsLogFileName(const std::string& entry, std::string* name, std::string* extensionFound) {
    size_t dot = entry.rfind('.');
    std::string base = dot == std::string::npos ? entry : entry.substr(0, dot);
    std::string extension = dot == std::string::npos ? std::string() : entry.substr(dot);
    bool textFile = extension.find(kLowerTextExtension) != std::string::npos ||
                    extension.find(kUpperTextExtension) != std::string::npos;
    if (!textFile || base.rfind(kLogPrefix, 0) != 0) {
        return false;
    }
    *name = base;
    *extensionFound = extension;
    return true;
}

template <typename... Args>
std::string Format(const char* format, Args... args) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), format, args...);
    return text.data();
}

}  // namespace

const char* MonthName(int month) {
    if (month < 1 || month > static_cast<int>(kMonthNames.size())) {
        return "???";
    }
    return kMonthNames[static_cast<size_t>(month - 1)];
}

std::vector<LogFileRow> ScanLogFiles(const std::string& logsDir) {
    std::vector<LogFileRow> rows;
    for (const std::string& name : fs::ListDirectory(logsDir)) {
        LogFileRow row;
        if (!IsLogFileName(name, &row.name, &row.extension)) {
            continue;
        }
        std::string fullPath = JoinPath(logsDir, name);
        // Inspected, not opened: a FIFO or device that happens to carry a log name must not
        // block us, and only regular files are logs (folders included are left out).
        fs::PathInfo info = fs::Inspect(fullPath);
        if (!info.regular) {
            continue;
        }
        row.serial = fullPath.find(kSerialLogMarker) != std::string::npos;
        row.sizeKb = SizeInKb(info.size);
        SetChangeTime(row, info.modified);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string FormatLogDate(const LogFileRow& row) {
    return Format("%s %d, %d", MonthName(row.month), row.day, row.year);
}

std::string FormatLogTime(const LogFileRow& row) {
    return Format("%02d:%02d:%02d", row.hour, row.minute, row.second);
}

std::string FormatLogSize(const LogFileRow& row) {
    return Format("%u KB", row.sizeKb);
}

bool IsPlainLogName(const std::string& name) {
    return !name.empty() && name.size() <= kMaxNameLength && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos && name.find('\0') == std::string::npos;
}

std::string LogFilePath(const std::string& logsDir, const std::string& name,
                        const std::string& extension) {
    if (!IsPlainLogName(name) ||
        extension.find_first_of(std::string("/\\\0", 3)) != std::string::npos) {
        return {};
    }
    return JoinPath(logsDir, name + extension);
}

bool DeleteLogFile(const std::string& logsDir, const std::string& name,
                   const std::string& extension) {
    std::string path = LogFilePath(logsDir, name, extension);
    return !path.empty() && fs::RemoveFile(path);
}

}  // namespace quillon
