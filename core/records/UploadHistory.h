// The upload history, History.txt in the application folder: an append-only record of every
// upload's begin, success or failure and of critical errors. Each entry is one
// open-append-close; an entry that cannot be written is dropped (the writer returns false) and the
// upload goes on.
// Earlier entries are never changed. A process killed while writing can leave only the entry it
// was writing cut short; the next entry then starts on a new line.
#pragma once

#include <string>

#include "platform/Clock.h"
#include "program/AppFiles.h"
#include "program/ProgramState.h"
#include "protocol/Boards.h"

namespace quillon {

class UploadHistory {
  public:
    UploadHistory(std::string appDir, Clock& clock) : appDir_(std::move(appDir)), clock_(clock) {}

    // Each false when the entry could not be written whole.
    bool WriteBeginUpload(const std::string& path, FileKind kind);
    bool WriteUploadSuccess(const std::string& path, FileKind kind, int seconds);
    bool WriteUploadFailed(const std::string& path, FileKind kind, const std::string& errorText);
    bool WriteCriticalError(const InternalErrorCode& code);

    std::string Path() const { return app_files::HistoryPath(appDir_); }

    // "Mar  5, 2024  09:07:03: " from a local time ("???  0,    0  -1:-1:-1: " when invalid).
    static std::string TimeStamp(const LocalTime& t);

  private:
    bool Append(const std::string& entry);

    std::string appDir_;
    Clock& clock_;
};

}  // namespace quillon
