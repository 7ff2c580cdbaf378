// Sends one .kx firmware file to a KX2 unit over an already open line: start handshake, every
// packet once, then resend passes on the unit's request until it reports the upload complete.
// A failure ends with UM_FILE_FAILED and a history entry saying why; Outcome() tells the caller.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/FirmwareFile.h"
#include "platform/Clock.h"
#include "platform/ProgramState.h"
#include "protocol/Kx2Frame.h"
#include "records/SerialDataLog.h"
#include "records/UploadHistory.h"
#include "serial/SerialPort.h"
#include "settings/SettingsKeys.h"
#include "upload/MessageLog.h"
#include "upload/UploadJob.h"
#include "upload/UploadProgress.h"

namespace quillon {

// Limits the old fixed tables and buffers implied, now checked before anything is sent. Each of
// these is refused with a level-0 log line, UM_FILE_FAILED and a history failure whose text is
// given here; the unit never sees a start request for such a file:
//   - "Max Packet Size" outside 11..4096 (no payload, or a frame larger than the unit's buffer):
//     "Max Packet Size outside 11 to 4096"
//   - "Delay Between Packets" outside 0..65535 (the start request has 16 bits for it, and a
//     negative pause would be an endless one): "Delay Between Packets outside 0 to 65535"
//   - an empty file (nothing to announce): "File is empty"
//   - a name and extension of more than 49 characters (the unit's name field): "File name longer
//     than 49 characters"; it is not shortened, since a cut name would load under a wrong name
//   - more than 5000 packets (the unit's packet table; files of 4 GiB and more land here too):
//     "File needs more than 5000 packets"
//   - memory for a packet not available: "Out of memory for the packet table"
//   - a file that grows or shrinks between counting and reading: "File changed while it was read"
// The packet table is filled before the start handshake (not after it) so that the last two are
// found before the unit is asked to start.
//
// A line the serial layer reports dead (hang-up, device removed) ends the upload at once, in any
// step, with a level-0 log line, UM_FILE_FAILED (cause "line-lost") and the history failure
// "Line lost, Step: <step>"; a unit that is there but silent gets the full waits.
//
// When the final phase runs out without a "complete" answer there is no failure notification and
// no history line, as the unit may well have taken the image; Outcome() is then kNoFinalAnswer.
class Kx2Uploader {
  public:
    static constexpr int32_t kMaxPackets = 5000;
    static constexpr int32_t kMinPacketSize = settings::kMaxPacketSize.low;
    static constexpr int32_t kMaxPacketSizeLimit = settings::kMaxPacketSize.high;
    static constexpr int32_t kMaxDelayMs = settings::kDelayBetweenPackets.high;
    static_assert(kMinPacketSize == static_cast<int32_t>(kKx2Overhead) + 1 &&
                  kMaxPacketSizeLimit == static_cast<int32_t>(kKx2MaxFrame));
    static constexpr int kStartTries = 3;
    static constexpr int kPollsPerWait = 16;
    static constexpr uint32_t kPollWaitMs = 500;  // 16 polls: an 8-second wait
    static constexpr int kFinalCycles = 4;
    static constexpr int kWaitsPerCycle = 4;
    static constexpr int kMaxScanBytes = 100;   // bytes examined for a frame start per poll
    static constexpr int kMaxFrameReads = 100;  // reads allowed to complete one frame
    static constexpr uint32_t kByteWaitMs = 20;

    struct Settings {
        int32_t maxPacketSize = 1024;
        int32_t delayMs = 150;
        bool showUploadTiming = true;
        bool logMessages = true;
        bool logSerialData = false;
    };

    // One numbered packet of the file; the entry owns its bytes.
    struct Packet {
        int32_t number = 0;
        int32_t count = 0;
        uint8_t last = 0;
        uint8_t send = 0;
        std::vector<uint8_t> data;
    };

    // Resets the program-wide internal error code. job.notifications must stay valid while this
    // lives.
    Kx2Uploader(SerialPort& port, UploadJob& job, Clock& clock, ProgramState& state);
    virtual ~Kx2Uploader() = default;
    Kx2Uploader(const Kx2Uploader&) = delete;
    Kx2Uploader& operator=(const Kx2Uploader&) = delete;

    // Reads the KX2, timing and log settings; an absent "Max Packet Size" or "Delay Between
    // Packets" is written back with its default at once.
    void LoadUploadSettings();
    const Settings& CurrentSettings() const { return settings_; }
    MessageLog& Log() { return log_; }
    // With "Log Serial Data" on, the thread hands in the run's serial-data log (or nullptr).
    void SetSerialDataLog(SerialDataLog* serialLog) { serialLog_ = serialLog; }

    // Packets a file of that length needs (0 for a packet size without payload), and the
    // estimate in seconds of sending them with that pause after each.
    static uint64_t PacketsFor(uint64_t fileLength, int32_t maxPacketSize);
    static int32_t EstimateFor(uint64_t packets, int32_t delayMs);

    // The whole upload of the file at path. True only when the unit reported it complete.
    bool UploadFile(const std::string& path);
    RunOutcome Outcome() const { return outcome_; }

    // The steps of UploadFile, open for tests.
    bool PrepareUpload(const std::string& path);
    bool RequestStartUpload();
    // Sends every flagged packet in table order; the number sent, or -1 when the unit cancelled.
    int SendFlaggedPackets();
    // Takes one frame from the unit if one is starting; false when none is there or it never
    // completed within the read bound.
    bool ReceiveFrame();
    // Type of the frame just received; a resend list replaces the send flags at once.
    Kx2FrameType DecodeResponse();

    const std::vector<Packet>& Packets() const { return packets_; }
    const UploadProgress& Progress() const { return progress_; }
    int32_t PacketCount() const { return packetCount_; }
    int32_t PayloadSize() const { return payloadSize_; }
    // The start request as PrepareUpload worked it out.
    Kx2StartRequest StartRequest() const;

  protected:
    // Copies one packet's bytes into memory of its own. Throws std::bad_alloc when there is
    // none; a test overrides it to make that happen.
    virtual std::vector<uint8_t> CopyPacketBytes(const uint8_t* bytes, size_t count);

  private:
    enum class FinalAnswer { kComplete, kCancelled, kResent, kNone };

    struct Refusal {
        std::string logLine;
        std::string historyText;
        std::string_view cause = failure_cause::kRefused;
    };

    std::optional<Refusal> CheckLimits() const;
    bool Refuse(const Refusal& refusal);
    // UM_FILE_FAILED with the step and a failure_cause word, and the history failure entry;
    // always false.
    bool FailFile(const std::string& historyText, std::string_view step, std::string_view cause);
    bool FailLineLost(std::string_view step);
    // UM_RECORD_LOST when a history entry could not be written.
    void NoteHistory(bool written);
    // The failure_cause of a start request that got no "Begin Upload".
    std::string_view ResponseCause() const;
    bool FillPacketTable();
    void FlagEveryPacket();
    void ApplyResendList(const std::vector<int16_t>& numbers);
    void SendDataFrame(const Packet& packet);
    void SendStatusRequest();
    bool WaitForFrame();
    FinalAnswer RunFinalCycle();
    FinalAnswer RunFinalPhase();
    bool ScanForFrameStart();
    void WriteFrame();
    int ReadByte();
    void FlushReceived();
    void ShowBytes(NotificationCode code, const uint8_t* bytes, size_t count);
    void Notify(NotificationCode code, int64_t wParam);
    void LogCancel();
    void LogUnknown(Kx2FrameType type);

    SerialPort& port_;
    UploadJob& job_;
    Clock& clock_;
    ProgramState& state_;
    NotificationSink& window_;
    MessageLog log_;
    UploadHistory history_;
    FirmwareFile input_;
    UploadProgress progress_;
    Kx2FrameBuilder frame_;
    Kx2FrameReceiver receiver_;
    Settings settings_;
    std::vector<Packet> packets_;
    SerialDataLog* serialLog_ = nullptr;
    std::vector<uint8_t> received_;  // bytes of the current receive call, for the serial-data log

    std::string path_;
    std::string name_;
    uint64_t fileLength_ = 0;
    uint64_t packetsNeeded_ = 0;  // before the 5000 limit is applied
    int32_t packetCount_ = 0;
    int32_t payloadSize_ = 0;
    RunOutcome outcome_ = RunOutcome::kNotFinished;
    bool lineLost_ = false;  // a read or write said the line is gone
    bool startCancelled_ = false;
    bool startGarbled_ = false;
};

}  // namespace quillon
