// The HBD upload worker: uploads COMM, READER and SPEECH firmware files one at a time over an
// open port with the unit's request/acknowledge packet protocol, logging every step, reporting
// progress to the job's window and recording each outcome in the upload history. Failures are
// results: UploadFile returns false (after UM_FILE_FAILED unless the user aborted).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/FirmwareFile.h"
#include "platform/Clock.h"
#include "platform/ProgramState.h"
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

class HbdUploader {
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

    // Total estimate in seconds of every selected file, or -1 when one will not open.
    int32_t CountPackets();
    bool UploadFile(const std::string& path, int kind);
    bool NotifyBeginUpload();
    int WaitForResponse(int tryNumber);
    void LogAck(int code);
    void LogBadResponse(int code);

    const UploadProgress& Progress() const { return progress_; }
    std::span<const uint8_t> Captured() const { return {capture_.data(), capturedCount_}; }
    int ReceivedCount() const { return receivedCount_; }

    // Seconds a packet of that board counts in the estimates.
    static int32_t SecondsPerPacket(int kind);
    // Sent length (file length minus the kept-back part) in packets, as the unit counts them.
    static int32_t AnnouncedPackets(uint64_t fileLength, int kind);

  private:
    bool Aborted() const { return job_.abortRequest.load(std::memory_order_relaxed) != 0; }
    void Notify(NotificationCode code, int64_t wParam = 0);
    void NotifyProgress(NotificationCode code, int64_t wParam = 0);
    void NotifyBytes(NotificationCode code, std::span<const uint8_t> bytes);
    void SendControlPacket(uint8_t command);
    void SendDataPacket();
    void RecordSent(std::span<const uint8_t> bytes);
    void FlushReceived();
    int ReadOneByte();
    void LogUserAbort();
    // UM_FILE_FAILED with the step and a failure_cause word, then the history failure entry.
    void FailFile(const char* historyText, std::string_view step, std::string_view cause);
    // UM_RECORD_LOST when a history entry could not be written.
    void NoteHistory(bool written);
    // True (from then on) once a read said the line is gone rather than that nothing waits.
    bool NoteDeadLine(int readResult);
    // The failure_cause of the last answer waited for.
    std::string_view ResponseCause() const;
    int AwaitResponse(int tryNumber);

    bool StartFile(const std::string& path, int kind);
    bool OpenAndPosition(const std::string& path, int kind);
    bool SendPackets();
    bool ReadPacket();
    bool PrepareExchange();
    bool DataExchange();
    bool DataTry(int tryNumber);
    bool FinishFile(uint32_t startTick);
    void DelayAfterFile();

    UploadJob& job_;
    SerialPort& port_;
    Clock& clock_;
    ProgramState& state_;
    NotificationSink& window_;
    MessageLog log_;
    SerialDataLog serialLog_;
    UploadHistory history_;
    FirmwareFile input_;
    UploadProgress progress_;
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
