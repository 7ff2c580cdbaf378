// The HBD upload worker: uploads COMM, READER and SPEECH firmware images one at a time over an
// open port with the unit's request/acknowledge packet protocol, logging every step, reporting
// progress to the job's event sink and recording each outcome in the upload history. The images
// were read and checked before the port opened; what is sent is exactly their bytes. Failures are
// results: UploadFile returns false (after a FileFailed event unless the user aborted).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/FirmwareImage.h"
#include "platform/Clock.h"
#include "program/ProgramState.h"
#include "protocol/HbdControlPacket.h"
#include "protocol/HbdResponseMatcher.h"
#include "records/SerialDataLog.h"
#include "records/UploadHistory.h"
#include "serial/SerialPort.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"
#include "upload/MessageLog.h"
#include "upload/UploadJob.h"
#include "upload/UploadProgress.h"
#include "upload/UploaderParts.h"

namespace quillon {

// The run's protocol settings, each out-of-range value replaced by its key's default.
struct HbdUploadSettings {
    int32_t retransmitControl = settings::kRetransmitControl.def;
    int32_t retransmitData = settings::kRetransmitData.def;
    int32_t responseWaitSeconds = settings::kWaitForResponse.def;
    int32_t delayAfterFileSeconds = settings::kDelayAfterFile.def;
    bool logMessages = settings::kLogMessages.def != 0;
    bool logSerialData = settings::kLogSerialData.def != 0;
    bool showTiming = settings::kShowUploadTiming.def != 0;
};

class HbdUploader : private UploaderParts {
  public:
    // Results of WaitForResponse besides a code byte.
    static constexpr int kNoResponse = -1;
    static constexpr int kUnknownResponse = -2;
    static constexpr int kUnexpectedBytes = -3;
    static constexpr int kUserAbort = -4;

    static constexpr size_t kCaptureSize = 16;
    static constexpr uint32_t kPollMs = 100;
    static constexpr int32_t kPollsPerSecond = 1000 / kPollMs;
    static constexpr uint32_t kDelayTickMs = 1000;
    static constexpr int32_t kDelayLogEvery = 5;

    // Resets the program-wide internal error code: a run starts clean.
    HbdUploader(UploadJob& job, SerialPort& port, Clock& clock, ProgramState& state);
    HbdUploader(const HbdUploader&) = delete;
    HbdUploader& operator=(const HbdUploader&) = delete;

    void LoadUploadSettings(const IniFile& ini);
    // Takes the values as they are, clamped like LoadUploadSettings.
    void ApplySettings(const HbdUploadSettings& settings);
    const HbdUploadSettings& Settings() const { return settings_; }

    // Opens the run's message log and, with "Log Serial Data" on, its serial-data log.
    bool OpenMessageLog();
    void CloseMessageLog();
    const SerialDataLog& SerialLog() const { return serialLog_; }
    MessageLog& Log() { return log_; }

    // Total estimate in seconds of every selected image at the job's line rate, or -1 when a
    // COMM or READER image is too short to send anything.
    int32_t EstimateRunSeconds();
    // One board: begin, every packet, end of transfer. True when the unit took it all. A board
    // that ends unfinished has its one history entry: its failure, or the user's abort.
    bool UploadFile(const FirmwareImage& image, FileKind kind);
    // The pause the unit needs before the next board, counted down a second at a time. An abort
    // during it is recorded against the next board (the one it keeps from being loaded); false
    // then.
    bool PauseBeforeNextFile(const FirmwareImage& next, FileKind nextKind);
    // Logs and records the user's abort against a board it kept from being loaded.
    void RecordAbortBefore(const FirmwareImage& image, FileKind kind);
    bool NotifyBeginUpload();
    int WaitForResponse(int tryNumber);
    void LogAck(int code);
    void LogBadResponse(int code);

    const UploadProgress& Progress() const { return progress_; }
    std::span<const uint8_t> Captured() const { return {capture_.data(), capturedCount_}; }
    int ReceivedCount() const { return receivedCount_; }

    // Sent length (file length minus the kept-back part) in packets, as the unit counts them.
    static int32_t AnnouncedPackets(uint64_t fileLength, FileKind kind);
    // Estimated seconds of a board image of that length at that rate.
    static int32_t EstimateSeconds(uint64_t fileLength, FileKind kind, int baudRate);

  private:
    bool Aborted() const { return job_.abortRequest.load(std::memory_order_relaxed); }
    void SendControlPacket(uint8_t command);
    void SendDataPacket();
    // Drops what is waiting or still arriving before the begin request, saying so when it found
    // anything.
    void DropStale();
    // Counts one packet transmission off the estimates.
    void CountTransmission();
    void RecordSent(std::span<const uint8_t> bytes);
    void FlushReceived();
    int ReadOneByte();
    // Logs the abort each time a wait sees it; records it in the history once.
    void LogUserAbort();
    bool SendFile(const FirmwareImage& image, FileKind kind);
    // FileFailed with the step and cause, then the history failure entry.
    void FailFile(const char* historyText, std::string_view step, FailureCause cause);
    // RecordLost when a history entry could not be written.
    void NoteHistory(bool written);
    // True (from then on) once a read said the line is gone rather than that nothing waits.
    bool NoteDeadLine(int readResult);
    // The cause of a failure at the last answer waited for.
    FailureCause ResponseCause() const;
    int AwaitResponse(int tryNumber);

    bool StartFile(const FirmwareImage& image, FileKind kind);
    void AnnounceFile(const FirmwareImage& image);
    bool SendPackets();
    bool NextPacket();
    bool PrepareExchange();
    bool DataExchange();
    bool DataTry(int tryNumber);
    // Logs a data-step answer the exchange does not expect (LogAck shows the ones it knows).
    void LogUnexpectedDataAnswer(int code);
    bool FinishFile(uint32_t startTick);

    const FirmwareImage* image_ = nullptr;  // the board being sent
    const BoardSpec* board_ = nullptr;      // its facts
    size_t nextByte_ = 0;                   // where its next packet starts
    std::array<uint8_t, hbd::kPayloadSize> packet_{};
    UploadProgress progress_;
    // The estimates in microseconds, so that a packet's fraction of a second is not lost; the
    // progress record shows them in whole seconds.
    int64_t packetMicros_ = 0;
    int64_t totalRemainingMicros_ = 0;
    int64_t currentRemainingMicros_ = 0;
    HbdUploadSettings settings_;
    HbdResponseMatcher matcher_;

    std::array<uint8_t, kCaptureSize> capture_{};
    size_t capturedCount_ = 0;
    int receivedCount_ = 0;
    std::vector<uint8_t> waitBytes_;  // everything one wait received, for the serial-data log
    uint16_t packetChecksum_ = 0;
    int32_t packetNumber_ = 0;
    hbd::ControlPacket controlPacket_{};
    std::string kindName_ = "UNKWN";
    uint32_t packetStartTick_ = 0;
    int lastResponse_ = kNoResponse;
    bool lineLost_ = false;
};

}  // namespace quillon
