// Sends one .kx firmware image to a KX2 unit over an already open line: start handshake, every
// packet once, then resend passes on the unit's request until it reports the upload complete.
// The image was read and checked before the port opened; what is sent is exactly its bytes.
// Every ending is recorded in the history: "complete" as the file's success, everything else as
// its failure with a text saying why (the unit cancelled, never confirmed, the user aborted, the
// line was lost, the file breaks a limit of the unit). Outcome() tells the caller.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "firmware/FirmwareImage.h"
#include "firmware/Kx2Limits.h"
#include "platform/Clock.h"
#include "program/ProgramState.h"
#include "protocol/Kx2Frame.h"
#include "records/SerialDataLog.h"
#include "records/UploadHistory.h"
#include "serial/SerialPort.h"
#include "settings/SettingsKeys.h"
#include "upload/MessageLog.h"
#include "upload/UploadJob.h"
#include "upload/UploadProgress.h"
#include "upload/UploaderParts.h"

namespace quillon {

// What the unit cannot take (see firmware/Kx2Limits.h) is refused with a level-0 log line,
// FileFailed (cause "refused") and a history failure naming the limit; the unit never sees a
// start request for such a file. The packet table is filled before the start handshake, so that
// memory running out is found before the unit is asked to start ("Out of memory for the packet
// table").
//
// A line the serial layer reports dead (hang-up, device removed) ends the upload at once, in any
// step, with a level-0 log line, FileFailed (cause "line-lost") and the history failure
// "Line lost, Step: <step>"; a unit that is there but silent gets the full waits.
//
// The user's abort is honoured before every frame the host sends and at every poll of a wait.
// The run's KX2 settings as read; the uploader refuses values its unit cannot take.
struct Kx2UploadSettings {
    int32_t maxPacketSize = settings::kMaxPacketSize.def;
    int32_t delayMs = settings::kDelayBetweenPackets.def;
    bool showUploadTiming = true;
    bool logMessages = true;
    bool logSerialData = false;
};

class Kx2Uploader : private UploaderParts {
  public:
    static constexpr int kStartTries = 3;
    static constexpr int kPollsPerWait = 16;
    static constexpr uint32_t kPollWaitMs = 500;  // 16 polls: an 8-second wait
    static constexpr int kFinalCycles = 4;
    static constexpr int kWaitsPerCycle = 4;
    static constexpr int kMaxScanBytes = 100;   // bytes examined for a frame start per poll
    static constexpr int kMaxFrameReads = 100;  // reads allowed to complete one frame
    static constexpr uint32_t kByteWaitMs = 20;

    // One numbered packet of the file; the entry owns its bytes.
    struct Packet {
        int32_t number = 0;
        int32_t count = 0;
        uint8_t last = 0;
        uint8_t send = 0;
        std::vector<uint8_t> data;
    };

    // Resets the program-wide internal error code. job.events must stay valid while this lives.
    Kx2Uploader(UploadJob& job, SerialPort& port, Clock& clock, ProgramState& state);
    virtual ~Kx2Uploader() = default;
    Kx2Uploader(const Kx2Uploader&) = delete;
    Kx2Uploader& operator=(const Kx2Uploader&) = delete;

    // Reads the KX2, timing and log settings; an absent "Max Packet Size" or "Delay Between
    // Packets" is written back with its default at once.
    void LoadUploadSettings();
    const Kx2UploadSettings& Settings() const { return settings_; }

    // Opens the run's message log and, with "Log Serial Data" on, its serial-data log.
    bool OpenMessageLog();
    void CloseMessageLog();
    MessageLog& Log() { return log_; }

    // The estimate in seconds of sending `packets` frames of "Max Packet Size" bytes with that
    // pause after each, at that line rate.
    static int32_t EstimateFor(uint64_t packets, int32_t maxPacketSize, int32_t delayMs,
                               int baudRate);

    // The whole upload of the image. True only when the unit reported it complete.
    bool UploadFile(const FirmwareImage& image);
    RunOutcome Outcome() const { return outcome_; }

    // The steps of UploadFile, open for tests.
    bool PrepareUpload(const FirmwareImage& image);
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
    enum class FinalAnswer { kComplete, kCancelled, kResent, kAborted, kNone };

    bool Refuse(const std::string& logLine, const std::string& historyText);
    // FileFailed with the step and cause, and the history failure entry; always false.
    bool FailFile(const std::string& historyText, std::string_view step, FailureCause cause);
    bool FailLineLost(std::string_view step);
    // The user's abort seen: logged, recorded as this file's failure, outcome kAborted; false.
    bool EndAborted();
    bool Aborted() const { return job_.abortRequest.load(std::memory_order_relaxed); }
    // The unit's "complete": the history's success entry and FileDone; true.
    bool Complete(uint32_t startTick);
    // AwaitingConfirmation when the seconds left of the final phase changed.
    void NoteWaiting(int32_t secondsLeft);
    // RecordLost when a history entry could not be written.
    void NoteHistory(bool written);
    // The cause of a start request that got no "Begin Upload".
    FailureCause ResponseCause() const;
    bool FillPacketTable(const FirmwareImage& image);
    // Drops input still on its way from before this upload, saying so when there was any.
    void DropStale();
    void FlagEveryPacket();
    void ApplyResendList(const std::vector<int16_t>& numbers);
    void SendDataFrame(const Packet& packet);
    void SendStatusRequest();
    // Polls for a frame for one wait (8 seconds); false on none, a dead line or the user's abort.
    // secondsAfter: what is left of the final phase after this wait (for the waiting notice),
    // or a negative number outside it.
    bool WaitForFrame(int32_t secondsAfter = -1);
    FinalAnswer RunFinalCycle(int cycle);
    FinalAnswer RunFinalPhase();
    bool ScanForFrameStart();
    void WriteFrame();
    int ReadByte();
    void FlushReceived();
    void LogCancel();
    void LogUnknown(Kx2FrameType type);

    UploadProgress progress_;
    Kx2FrameBuilder frame_;
    Kx2FrameReceiver receiver_;
    Kx2UploadSettings settings_;
    std::vector<Packet> packets_;
    std::vector<uint8_t> received_;  // bytes of the current receive call, for the serial-data log

    std::string path_;
    std::string name_;
    uint64_t fileLength_ = 0;
    uint64_t packetsNeeded_ = 0;  // before the 5000 limit is applied
    int32_t packetCount_ = 0;
    int32_t payloadSize_ = 0;
    int64_t packetMicros_ = 0;         // one frame with its pause, at the line's rate
    int64_t remainingMicros_ = 0;      // the estimate still ahead
    int32_t lastWaitingSeconds_ = -1;  // the last AwaitingConfirmation sent
    bool firstPassDone_ = false;       // frames from now on are resends
    RunOutcome outcome_ = RunOutcome::kNotFinished;
    bool lineLost_ = false;  // a read or write said the line is gone
    bool startCancelled_ = false;
    bool startGarbled_ = false;
};

}  // namespace quillon
