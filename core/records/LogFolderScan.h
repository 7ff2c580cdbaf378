// The log files of the Logs folder as the log browser lists them (message and serial-data logs:
// kind, name, date, time, size), the texts of its columns, and the safe way to view or delete
// one. A missing folder lists nothing; files that cannot be examined are left out silently.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

struct LogFileRow {
    bool serial = false;             // a serial-data log ("Quillon_LogSerial...")
    std::string name;                // without folder and without extension
    std::string extension = ".txt";  // as the folder spells it (".TXT" is listed too)
    // Local time of the last change; all 0 when it could not be had.
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    uint32_t sizeKb = 0;  // rounded up: 1 byte is 1 KB
};

// One row per log file of logsDir, in the order the folder lists them (unsorted).
std::vector<LogFileRow> ScanLogFiles(const std::string& logsDir);

// "Jan" .. "Dec" for 1 .. 12, "???" for anything else.
const char* MonthName(int month);

std::string FormatLogDate(const LogFileRow& row);  // "Jul 15, 2024"
std::string FormatLogTime(const LogFileRow& row);  // "14:30:05"
std::string FormatLogSize(const LogFileRow& row);  // "3 KB"

// Whether name (as a row shows it) is a plain file name that stays inside the folder: not
// empty, at most 255 characters, no '/', no NUL, not "." or "..".
bool IsPlainLogName(const std::string& name);
// The file a row stands for (logsDir/name plus its extension); empty when the name is not plain.
std::string LogFilePath(const std::string& logsDir, const std::string& name,
                        const std::string& extension = ".txt");
// Deletes that file; false when the name is not plain or the file could not be deleted.
bool DeleteLogFile(const std::string& logsDir, const std::string& name,
                   const std::string& extension = ".txt");

}  // namespace quillon
