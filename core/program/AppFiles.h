// The files and folders the program keeps in its application folder, named in one place. Each
// function takes the folder with its trailing separator, as ResolveAppDirectory gives it.
#pragma once

#include <string>

namespace quillon::app_files {

inline constexpr const char* kSettings = "Quillon.ini";
inline constexpr const char* kHistory = "History.txt";
inline constexpr const char* kLogsFolder = "Logs";
inline constexpr const char* kTempFolder = "Temp";
inline constexpr const char* kFontInfo = "FontInfo.qn7";

inline std::string SettingsPath(const std::string& appDir) {
    return appDir + kSettings;
}
inline std::string HistoryPath(const std::string& appDir) {
    return appDir + kHistory;
}
inline std::string LogsDir(const std::string& appDir) {
    return appDir + kLogsFolder;
}
inline std::string TempDir(const std::string& appDir) {
    return appDir + kTempFolder;
}
inline std::string FontInfoPath(const std::string& appDir) {
    return appDir + kFontInfo;
}

}  // namespace quillon::app_files
