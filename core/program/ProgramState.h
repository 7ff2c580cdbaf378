// The program-wide values that the windows and the upload workers share: mode flags, the
// show-serial-data flag, the internal error code and the texts built at start-up. One object is
// made by the program's entry point and handed to whoever needs it; there is no global copy.
// Flags written by one thread and read by another are atomics.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "program/AppFiles.h"
namespace quillon {

struct InternalErrorCode {
    int major = 0;
    int minor = 0;
    int support = 0;
};

class ProgramState {
  public:
    // Folder of Quillon.ini, History.txt, FontInfo.qn7, Logs/ and Temp/, with a trailing
    // separator.
    std::string appDir;
    // Operating system text for the About box; "ERR! UNKWN" until it is built.
    std::string osVersionText = "ERR! UNKWN";

    std::atomic<bool> isKx2{true};
    std::atomic<bool> tamarackLine{false};
    std::atomic<bool> showSerialData{false};

    void SetInternalError(int major, int minor, int support) {
        errorMajor_ = major;
        errorMinor_ = minor;
        errorSupport_ = support;
    }
    void ResetInternalError() { SetInternalError(0, 0, 0); }
    InternalErrorCode InternalError() const {
        return {errorMajor_.load(), errorMinor_.load(), errorSupport_.load()};
    }

    std::string IniPath() const { return app_files::SettingsPath(appDir); }
    std::string HistoryPath() const { return app_files::HistoryPath(appDir); }
    std::string LogsDir() const { return app_files::LogsDir(appDir); }
    std::string TempDir() const { return app_files::TempDir(appDir); }
    std::string FontInfoPath() const { return app_files::FontInfoPath(appDir); }

  private:
    std::atomic<int> errorMajor_{0};
    std::atomic<int> errorMinor_{0};
    std::atomic<int> errorSupport_{0};
};

}  // namespace quillon
