// The record a progress window (or the CLI) hands to an upload worker: which files, which port,
// where to report, and the flags through which the two threads talk without locks.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "upload/Notification.h"

namespace quillon {

// How a run ended, for callers that must tell success from failure after UM_WORKER_DONE.
enum class RunOutcome : int {
    kNotFinished = 0,
    kCompleted,       // every selected file delivered
    kFailed,          // a file failed (UM_FILE_FAILED was sent) or could not be counted
    kAborted,         // the user asked to stop
    kNoFinalAnswer,   // KX2: every packet sent, but the unit never said "complete"
    kPortOpenFailed,  // the port did not open; nothing was sent
};

const char* RunOutcomeName(RunOutcome outcome);

struct UploadJob {
    std::atomic<uint8_t> abortRequest{0};
    std::atomic<uint8_t> finished{0};
    uint8_t commFirst = 1;
    std::optional<std::string> speechFile;
    std::optional<std::string> commFile;  // in KX2 mode the .kx file
    std::optional<std::string> readerFile;
    int32_t portNumber = 1;  // user port number, 1-based
    int32_t baudRate = 19200;
    uint8_t baudCode = 0;  // filled in by the worker
    NotificationSink* notifications = nullptr;

    // Device the port number stands for (for example /dev/ttyUSB0); empty: the default name.
    std::string portDevice;
    // Written by the worker before UM_WORKER_DONE (or UM_PORT_OPEN_FAILED).
    std::atomic<RunOutcome> outcome{RunOutcome::kNotFinished};

    UploadJob() = default;
    // Copies everything a new run needs; the flags of the copy start cleared.
    UploadJob(const UploadJob& other);
    UploadJob& operator=(const UploadJob&) = delete;
};

}  // namespace quillon
