// What the run's log files have in common: the dated name in the Logs folder, the localized
// weekday name and the two header lines. Writing is best effort; nothing here reports failure.
#pragma once

#include <cstdio>
#include <string>

#include "platform/Clock.h"

namespace quillon {

// appDir/Logs, for appDir with or without its trailing separator.
std::string LogsFolder(const std::string& appDir);
// logsFolder/<prefix>HHMMSS_MMDDYYYY.txt from the local time; copy 2 and on get "_2" ... before
// the extension.
std::string DatedLogFileName(const std::string& logsFolder, const char* prefix,
                             const LocalTime& now, int copy = 1);
// Creates a run's own log under the dated name, or the first of "_2", "_3" ... that is free when
// another run (in this or another program) took it in the same second; *path gets the name.
// nullptr with errno when none could be made.
std::FILE* CreateDatedLog(const std::string& logsFolder, const char* prefix, const LocalTime& now,
                          std::string* path);
// The full weekday name (0 = Sunday) in the user's locale for dates (LC_ALL / LC_TIME / LANG),
// at most 15 bytes, never cut inside a UTF-8 character; English when the locale is not there.
std::string LocalizedWeekdayName(int weekday);
// "=-=-=-=-=  Log File Quillon7 version 0.5" and "=-=-=-=-=  Created <weekday> ..." lines.
void WriteLogFileHeader(std::FILE* file, const LocalTime& now);

}  // namespace quillon
