// The record an upload session hands to its worker: which images, which port, where to report,
// and the flags through which the two threads talk without locks.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "firmware/FirmwareImage.h"
#include "upload/UploadEvents.h"

namespace quillon {

// A flag the two threads share without a lock. A copy of it starts cleared, so a copied job
// never inherits another run's state.
template <typename T>
struct SharedFlag : std::atomic<T> {
    SharedFlag() : std::atomic<T>(T{}) {}
    SharedFlag(const SharedFlag&) : std::atomic<T>(T{}) {}
    SharedFlag& operator=(const SharedFlag&) = delete;
    using std::atomic<T>::operator=;
};

struct UploadJob {
    SharedFlag<bool> abortRequest;
    SharedFlag<bool> finished;
    bool commFirst = true;
    // The files of the run, read and checked before the port opened; the uploaders send exactly
    // these bytes. Null: that board is not loaded. In KX2 mode commImage is the .kx image.
    FirmwareImageRef speechImage;
    FirmwareImageRef commImage;
    FirmwareImageRef readerImage;
    // The image of that board, or nullptr when it is not loaded.
    const FirmwareImage* Image(FileKind kind) const {
        return (kind == FileKind::kComm     ? commImage
                : kind == FileKind::kReader ? readerImage
                : kind == FileKind::kSpeech ? speechImage
                                            : nullptr)
            .get();
    }
    int32_t portNumber = 1;  // user port number, 1-based
    int32_t baudRate = 19200;
    uint8_t baudCode = 0;  // filled in by the worker
    EventSink* events = nullptr;

    // Device the port number stands for (for example /dev/ttyUSB0); empty: the default name.
    std::string portDevice;
    // The unit behind the line is the simulated one (the message log says so).
    bool simulatedUnit = false;
    // Written by the worker before its WorkerDone (or PortOpenFailed) event.
    SharedFlag<RunOutcome> outcome;
    // The board whose begin entry is in the history and whose ending is not yet (0: none).
    SharedFlag<int32_t> kindToRecord;
};

// A board's ending is recorded once: the writer of its begin entry opens the record, and whoever
// records its ending (the uploader, or a program ending at once) takes it first. Take is true for
// the one caller that got it.
inline void OpenBoardRecord(UploadJob& job, FileKind kind) {
    job.kindToRecord = static_cast<int32_t>(kind);
}
inline bool BoardRecordOpen(const UploadJob& job, FileKind kind) {
    return job.kindToRecord.load() == static_cast<int32_t>(kind);
}
inline bool TakeBoardRecord(UploadJob& job, FileKind kind) {
    int32_t expected = static_cast<int32_t>(kind);
    return job.kindToRecord.compare_exchange_strong(expected, 0);
}

}  // namespace quillon
