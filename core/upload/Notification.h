// What an upload worker reports to whoever shows the run (the progress window, the CLI, a test).
// Codes keep their window-message numbers. The worker calls Send and waits until it returns, so
// every pointer in a Notification is valid only during that call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "upload/UploadProgress.h"

namespace quillon {

enum NotificationCode : int {
    UM_LOG_LINE = 1324,
    UM_TX_BYTES = 1334,
    UM_RX_BYTES = 1335,
    UM_INTERNAL_ERROR = 1339,
    UM_FILE_START = 1344,
    UM_PROGRESS = 1347,
    UM_DELAY_TICK = 1349,
    UM_FILE_DONE = 1355,
    UM_FILE_FAILED = 1356,
    UM_WORKER_DONE = 1358,
    UM_PORT_OPEN_FAILED = 1364,
    UM_MESSAGE_LOG_OPENED = 1365,     // text: the path of the run's message log
    UM_RECORD_LOST = 1366,            // text: the record that could not be written, and why
    UM_AWAITING_CONFIRMATION = 1367,  // KX2: every packet sent; wParam: seconds left to wait
    UM_START_UPLOAD = 1374,
    UM_SERIAL_TEXT = 1534,
};

// "UM_LOG_LINE" and so on; "UM_UNKNOWN" for any other number.
const char* NotificationName(int code);

// Log levels of UM_LOG_LINE.
enum LogLevel : int {
    kLevelError = 0,
    kLevelHost = 1,
    kLevelAck = 2,
    kLevelPrep = 3,
    kLevelBegin = 4,
    kLevelTiming = 6,
};

// Why a file failed, as UM_FILE_FAILED's failureCause: one of these words.
namespace failure_cause {
inline constexpr std::string_view kNoAnswer = "no-answer";      // the unit said nothing
inline constexpr std::string_view kBadAnswer = "bad-answer";    // garbled or out of order
inline constexpr std::string_view kUnitError = "unit-error";    // the unit reported an error
inline constexpr std::string_view kUnitCancel = "unit-cancel";  // the unit cancelled the upload
inline constexpr std::string_view kLineLost = "line-lost";      // the serial line went dead
inline constexpr std::string_view kFileError = "file-error";    // the file would not open or read
inline constexpr std::string_view kRefused = "refused";         // the file breaks a limit
}  // namespace failure_cause

struct Notification {
    explicit Notification(NotificationCode c = UM_LOG_LINE, int64_t w = 0) : code(c), wParam(w) {}

    NotificationCode code;
    int64_t wParam;
    std::string_view text;                     // UM_LOG_LINE, UM_SERIAL_TEXT
    std::span<const uint8_t> bytes;            // UM_TX_BYTES, UM_RX_BYTES
    const UploadProgress* progress = nullptr;  // UM_FILE_*, UM_PROGRESS, UM_DELAY_TICK
    std::string_view failureStep;              // UM_FILE_FAILED: the step, as the history names it
    std::string_view failureCause;             // UM_FILE_FAILED: a failure_cause word
};

class NotificationSink {
  public:
    virtual ~NotificationSink() = default;
    // Handles one notification before returning; called on the worker's thread.
    virtual void Send(const Notification& n) = 0;
};

// UM_RECORD_LOST with "what could not be written" (for example "history entry in /x/History.txt")
// unless written; returns written.
bool NoteRecordWritten(NotificationSink& sink, bool written, const std::string& what);

}  // namespace quillon
