#include "upload/Kx2Uploader.h"

#include <algorithm>
#include <new>

#include "protocol/PacketTimes.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"
#include "text/TextFormat.h"
#include "upload/StaleInput.h"

namespace quillon {

namespace {

constexpr char kKindNameKx2[] = "KX2-FILE";
constexpr int32_t kSecondsPerPacket = 1;
constexpr int64_t kMicrosPerSecond = 1'000'000;

constexpr char kHistoryNoBeginAnswer[] = "No/Bad Response from KX2, Step: Begin Upload";
constexpr char kHistoryCancelled[] = "KX2 canceled";
constexpr char kHistoryLineLost[] = "Line lost, Step: ";
constexpr char kHistoryUserAbort[] = "*** USER ABORTED UPLOAD ***";
// Every packet went out but "complete" never came: the unit may or may not hold the image, so
// it is no success.
constexpr char kHistoryUnconfirmed[] = "KX2 never confirmed the upload, Step: Final Response";

// The steps of a FileFailed event.
constexpr std::string_view kStepCheckFile = "Check File";
constexpr std::string_view kStepBegin = "Begin Upload";
constexpr std::string_view kStepSend = "Send Packets";
constexpr std::string_view kStepFinal = "Final Response";

int32_t ClampToInt32(uint64_t value) {
    return static_cast<int32_t>(std::min<uint64_t>(value, INT32_MAX));
}

// Reads an integer setting; when the key is absent writes its default back at once, so the
// technician finds it in the file to edit.
int32_t ReadWithWriteBack(IniFile& ini, const settings::IntKey& key) {
    if (!ini.Find(key.section, key.key)) {
        settings::Write(ini, key, key.def);
        return key.def;
    }
    return settings::Read(ini, key);
}

}  // namespace

Kx2Uploader::Kx2Uploader(UploadJob& job, SerialPort& port, Clock& clock, ProgramState& state)
    : UploaderParts(job, port, clock, state) {}

bool Kx2Uploader::OpenMessageLog() {
    return log_.OpenRunLogs(port_, job_, settings_.logSerialData ? &serialLog_ : nullptr);
}

void Kx2Uploader::CloseMessageLog() {
    log_.Close();
    serialLog_.Close();
}

void Kx2Uploader::LoadUploadSettings() {
    IniFile ini(state_.IniPath());
    settings_.maxPacketSize = ReadWithWriteBack(ini, settings::kMaxPacketSize);
    settings_.delayMs = ReadWithWriteBack(ini, settings::kDelayBetweenPackets);
    settings_.showUploadTiming = settings::ReadBool(ini, settings::kShowUploadTiming);
    settings_.logMessages = settings::ReadBool(ini, settings::kLogMessages);
    settings_.logSerialData = settings::ReadBool(ini, settings::kLogSerialData);
    log_.SetLogMessages(settings_.logMessages);
}

Kx2StartRequest Kx2Uploader::StartRequest() const {
    Kx2StartRequest request;
    request.fileLength = static_cast<uint32_t>(fileLength_);
    request.baudRate = static_cast<uint32_t>(job_.baudRate);
    request.maxPacketSize = static_cast<uint16_t>(settings_.maxPacketSize);
    request.packetCount = static_cast<uint16_t>(packetCount_);
    request.delayMs = static_cast<uint16_t>(settings_.delayMs);
    request.name = name_;
    return request;
}

int32_t Kx2Uploader::EstimateFor(uint64_t packets, int32_t maxPacketSize, int32_t delayMs,
                                 int baudRate) {
    return packet_times::Seconds(packets,
                                 packet_times::Kx2PacketMicros(maxPacketSize, delayMs, baudRate));
}

bool Kx2Uploader::PrepareUpload(const FirmwareImage& image) {
    LoadUploadSettings();
    path_ = image.path;
    payloadSize_ = settings_.maxPacketSize - static_cast<int32_t>(kKx2Overhead);
    fileLength_ = image.bytes.size();
    packetsNeeded_ = Kx2PacketsFor(fileLength_, settings_.maxPacketSize);
    packetCount_ = ClampToInt32(packetsNeeded_);
    packetMicros_ =
        packet_times::Kx2PacketMicros(settings_.maxPacketSize, settings_.delayMs, job_.baudRate);
    remainingMicros_ =
        static_cast<int64_t>(std::min<uint64_t>(packetsNeeded_, kKx2MaxPackets)) * packetMicros_;
    const int32_t estimate =
        EstimateFor(packetsNeeded_, settings_.maxPacketSize, settings_.delayMs, job_.baudRate);

    progress_ = UploadProgress{};
    progress_.Board(FileKind::kComm).packets = packetCount_;
    progress_.filesRemaining = 1;
    progress_.Board(FileKind::kComm).estimate = estimate;
    progress_.totalRemaining = estimate;
    progress_.currentRemaining = estimate;
    progress_.currentPath = image.path;
    progress_.currentKind = FileKind::kComm;
    progress_.currentPackets = packetCount_;
    progress_.currentPacketsSent = 0;
    progress_.secondsPerPacket = kSecondsPerPacket;
    progress_.currentKindName = kKindNameKx2;
    events_.Send(event::Estimates{progress_});

    name_ = image.FileName();
    return true;
}

bool Kx2Uploader::Refuse(const std::string& logLine, const std::string& historyText) {
    log_.PostLogLine(kLevelError, "%s", logLine.c_str());
    return FailFile(historyText, kStepCheckFile, FailureCause::kRefused);
}

void Kx2Uploader::NoteHistory(bool written) {
    NoteRecordWritten(events_, written, RunRecord::kHistory, history_.Path());
}

bool Kx2Uploader::FailFile(const std::string& historyText, std::string_view step,
                           FailureCause cause) {
    events_.Send(event::FileFailed{progress_, step, cause});
    if (TakeBoardRecord(job_, FileKind::kComm)) {
        NoteHistory(history_.WriteUploadFailed(path_, FileKind::kComm, historyText));
    }
    outcome_ = RunOutcome::kFailed;
    return false;
}

bool Kx2Uploader::FailLineLost(std::string_view step) {
    log_.PostLogLine(kLevelError, "ERROR: Line lost; %s\n",
                     port_.Backend().LastErrorText(port_.PortIndex()).c_str());
    return FailFile(kHistoryLineLost + std::string(step), step, FailureCause::kLineLost);
}

bool Kx2Uploader::EndAborted() {
    log_.PostLogLine(kLevelAck, " ");
    log_.PostLogLine(kLevelAck, "*** USER ABORTED UPLOAD ***\n");
    if (TakeBoardRecord(job_, FileKind::kComm)) {
        NoteHistory(history_.WriteUploadFailed(path_, FileKind::kComm, kHistoryUserAbort));
    }
    outcome_ = RunOutcome::kAborted;
    return false;
}

bool Kx2Uploader::Complete(uint32_t startTick) {
    const int32_t elapsed = static_cast<int32_t>((clock_.TickCount() - startTick) / 1000);
    progress_.Board(FileKind::kComm).elapsed = elapsed;
    progress_.lastFileElapsed = elapsed;
    progress_.filesRemaining = 0;
    if (TakeBoardRecord(job_, FileKind::kComm)) {
        NoteHistory(history_.WriteUploadSuccess(path_, FileKind::kComm, elapsed));
    }
    events_.Send(event::FileDone{progress_});
    outcome_ = RunOutcome::kCompleted;
    return true;
}

void Kx2Uploader::NoteWaiting(int32_t secondsLeft) {
    if (secondsLeft == lastWaitingSeconds_) {
        return;
    }
    lastWaitingSeconds_ = secondsLeft;
    events_.Send(event::AwaitingConfirmation{progress_, secondsLeft});
}

FailureCause Kx2Uploader::ResponseCause() const {
    return startCancelled_ ? FailureCause::kUnitCancel
           : startGarbled_ ? FailureCause::kBadAnswer
                           : FailureCause::kNoAnswer;
}

bool Kx2Uploader::UploadFile(const FirmwareImage& image) {
    const uint32_t startTick = clock_.TickCount();
    outcome_ = RunOutcome::kFailed;
    lineLost_ = false;
    firstPassDone_ = false;
    lastWaitingSeconds_ = -1;
    // Every way out of here frees the packet data.
    struct FreePackets {
        std::vector<Packet>& table;
        ~FreePackets() { std::vector<Packet>().swap(table); }
    } freePackets{packets_};

    PrepareUpload(image);
    NoteHistory(history_.WriteBeginUpload(path_, FileKind::kComm));
    OpenBoardRecord(job_, FileKind::kComm);
    port_.ClearPending();
    if (settings_.logMessages && log_.IsOpen()) {
        log_.WriteKx2Banner(path_);
    }
    if (auto refusal =
            CheckKx2Limits(fileLength_, name_, settings_.maxPacketSize, settings_.delayMs)) {
        return Refuse(refusal->logLine, refusal->historyText);
    }
    log_.PostLogLine(kLevelPrep, "Prep 3: Success; open file: %s\n", path_.c_str());
    log_.PostLogLine(kLevelPrep, "Prep 4: Scan file; will send %d data packets to HBD\n\n",
                     packetCount_);
    events_.Send(event::FileStart{progress_});

    if (!FillPacketTable(image)) {
        return false;
    }
    DropStale();
    if (lineLost_ || !RequestStartUpload()) {
        if (Aborted()) {
            return EndAborted();
        }
        return lineLost_ ? FailLineLost(kStepBegin)
                         : FailFile(kHistoryNoBeginAnswer, kStepBegin, ResponseCause());
    }
    // Anything the unit said during the handshake must not thin out the first pass.
    FlagEveryPacket();
    if (SendFlaggedPackets() < 0) {
        if (Aborted()) {
            return EndAborted();
        }
        return lineLost_ ? FailLineLost(kStepSend)
                         : FailFile(kHistoryCancelled, kStepSend, FailureCause::kUnitCancel);
    }
    firstPassDone_ = true;
    const FinalAnswer answer = RunFinalPhase();
    if (lineLost_) {
        return FailLineLost(kStepFinal);
    }
    switch (answer) {
        case FinalAnswer::kComplete:
            return Complete(startTick);
        case FinalAnswer::kCancelled:
            return FailFile(kHistoryCancelled, kStepFinal, FailureCause::kUnitCancel);
        case FinalAnswer::kAborted:
            return EndAborted();
        case FinalAnswer::kResent:
        case FinalAnswer::kNone:
            break;
    }
    log_.PostLogLine(kLevelError, "ERROR: KX2 never confirmed the upload\n");
    FailFile(kHistoryUnconfirmed, kStepFinal, FailureCause::kNoAnswer);
    outcome_ = RunOutcome::kNoFinalAnswer;
    return false;
}

void Kx2Uploader::DropStale() {
    std::vector<uint8_t> stale;
    lineLost_ = !DropStaleInput(port_, clock_, &stale);
    if (stale.empty()) {
        return;
    }
    serialLog_.Received(stale);
    log_.PostLogLine(kLevelHost, "Dropped %llu bytes waiting on the line from before this upload\n",
                     static_cast<unsigned long long>(stale.size()));
}

std::vector<uint8_t> Kx2Uploader::CopyPacketBytes(const uint8_t* bytes, size_t count) {
    return std::vector<uint8_t>(bytes, bytes + count);
}

bool Kx2Uploader::FillPacketTable(const FirmwareImage& image) {
    const size_t payload = static_cast<size_t>(payloadSize_);
    const std::vector<uint8_t>& bytes = image.bytes;
    try {
        packets_.clear();
        packets_.reserve(static_cast<size_t>(packetCount_));
        for (size_t from = 0; from < bytes.size(); from += payload) {
            const size_t count = std::min(payload, bytes.size() - from);
            Packet packet;
            packet.number = static_cast<int32_t>(packets_.size() + 1);
            packet.count = static_cast<int32_t>(count);
            packet.send = 1;
            packet.data = CopyPacketBytes(bytes.data() + from, count);
            packets_.push_back(std::move(packet));
        }
    } catch (const std::bad_alloc&) {
        const size_t failedPacket = packets_.size() + 1;
        std::vector<Packet>().swap(packets_);
        return Refuse(FormatText("ERROR: Out of memory for packet %llu; upload refused\n",
                                 static_cast<unsigned long long>(failedPacket)),
                      "Out of memory for the packet table");
    }
    packets_.back().last = 1;
    return true;
}

void Kx2Uploader::FlagEveryPacket() {
    for (Packet& packet : packets_) {
        packet.send = 1;
        packet.last = 0;
    }
    if (!packets_.empty()) {
        packets_.back().last = 1;
    }
}

bool Kx2Uploader::RequestStartUpload() {
    log_.PostLogLine(kLevelBegin, "Prep 5: Notify KX2, starting file upload\n");
    startCancelled_ = false;
    startGarbled_ = false;
    for (int attempt = 0; attempt < kStartTries && !Aborted(); ++attempt) {
        BuildStartRequest(frame_, StartRequest());
        WriteFrame();
        log_.PostLogLine(kLevelHost, "Sending to KX2 \"Request to start Upload file\n");
        log_.PostLogLine(kLevelHost, "Will wait 8 seconds for a response\n");
        serialData_.Sent(frame_.Bytes());
        if (!WaitForFrame()) {
            if (lineLost_ || Aborted()) {
                return false;
            }
            continue;
        }
        const Kx2FrameType type = DecodeResponse();
        if (type == kKx2BeginUpload) {
            log_.PostLogLine(kLevelHost, "Note: Received \"Begin Upload\" from KX2\n");
            return true;
        }
        if (type == kKx2Cancel) {
            LogCancel();
            startCancelled_ = true;
            return false;
        }
        LogUnknown(type);
        startGarbled_ = true;
    }
    if (!Aborted()) {
        log_.PostLogLine(kLevelError,
                         "Giving Up! Did not get proper response from KX2 after 3 tries\n");
    }
    return false;
}

int Kx2Uploader::SendFlaggedPackets() {
    int sent = 0;
    // By index, and re-reading the flags each time: a resend list taken by the poll after a
    // frame replaces them for the rest of this pass.
    for (size_t i = 0; i < packets_.size(); ++i) {
        if (packets_[i].send == 0) {
            continue;
        }
        if (Aborted()) {
            return -1;
        }
        SendDataFrame(packets_[i]);
        ++sent;
        if (lineLost_) {
            return -1;
        }
        if (ReceiveFrame() && DecodeResponse() == kKx2Cancel) {
            LogCancel();
            return -1;
        }
    }
    return sent;
}

void Kx2Uploader::SendDataFrame(const Packet& packet) {
    const uint32_t begun = clock_.TickCount();
    BuildDataFrame(frame_, static_cast<uint16_t>(packet.number), packet.last != 0,
                   packet.data.data(), packet.data.size());
    WriteFrame();

    // A packet the unit asked for again is a retry: it neither counts as progress nor shortens
    // the estimate.
    if (firstPassDone_) {
        ++progress_.packetsResent;
    } else {
        ++progress_.currentPacketsSent;
        remainingMicros_ -= packetMicros_;
        progress_.totalRemaining = static_cast<int32_t>(remainingMicros_ / kMicrosPerSecond);
        progress_.currentRemaining = progress_.totalRemaining;
    }
    events_.Send(event::PacketSent{progress_});

    log_.PostLogLine(kLevelHost, "Sending to KX2, packet %d of %d (%d bytes)\n", packet.number,
                     packetCount_, static_cast<int>(frame_.Length()));
    serialData_.Sent(frame_.Bytes());
    if (settings_.showUploadTiming) {
        log_.PostLogLine(kLevelTiming, "(%d ms)\n", static_cast<int>(clock_.TickCount() - begun));
    }
    if (settings_.delayMs != 0) {
        log_.PostLogLine(kLevelHost, "will delay %d milli-seconds\n", settings_.delayMs);
        clock_.Sleep(static_cast<uint32_t>(settings_.delayMs));
    }
}

void Kx2Uploader::SendStatusRequest() {
    BuildStatusRequest(frame_);
    WriteFrame();
    log_.PostLogLine(kLevelHost, "Sending to KX2 \"Status Request\n");
    serialData_.Sent(frame_.Bytes());
}

bool Kx2Uploader::WaitForFrame(int32_t secondsAfter) {
    for (int poll = 0; poll < kPollsPerWait && !lineLost_; ++poll) {
        if (Aborted()) {
            return false;
        }
        if (secondsAfter >= 0) {
            const uint32_t msLeft = static_cast<uint32_t>(kPollsPerWait - poll) * kPollWaitMs;
            NoteWaiting(secondsAfter + static_cast<int32_t>((msLeft + 999) / 1000));
        }
        if (ReceiveFrame()) {
            return true;
        }
        // Returns as soon as a byte arrives, so an answer is taken without a blind pause.
        clock_.WaitFor(port_, kPollWaitMs);
    }
    return false;
}

Kx2Uploader::FinalAnswer Kx2Uploader::RunFinalCycle(int cycle) {
    constexpr int32_t kWaitSeconds = kPollsPerWait * kPollWaitMs / 1000;
    for (int wait = 0; wait < kWaitsPerCycle && !lineLost_; ++wait) {
        const int32_t wholeWaitsAfter =
            (kFinalCycles - cycle - 1) * kWaitsPerCycle + (kWaitsPerCycle - wait - 1);
        if (WaitForFrame(wholeWaitsAfter * kWaitSeconds)) {
            const Kx2FrameType type = DecodeResponse();
            if (type == kKx2Complete) {
                return FinalAnswer::kComplete;
            }
            if (type == kKx2Cancel) {
                LogCancel();
                return FinalAnswer::kCancelled;
            }
            if (type == kKx2ResendList) {
                if (SendFlaggedPackets() >= 0) {
                    return FinalAnswer::kResent;
                }
                return Aborted() ? FinalAnswer::kAborted : FinalAnswer::kCancelled;
            }
            LogUnknown(type);
        }
        if (Aborted()) {
            return FinalAnswer::kAborted;
        }
        if (wait == kWaitsPerCycle - 1) {
            break;
        }
        log_.PostLogLine(kLevelHost,
                         "Did not correct response from KX2.  Will request \"status\" from KX2\n");
        SendStatusRequest();
    }
    return FinalAnswer::kNone;
}

Kx2Uploader::FinalAnswer Kx2Uploader::RunFinalPhase() {
    for (int cycle = 0; cycle < kFinalCycles && !lineLost_; ++cycle) {
        log_.PostLogLine(
            kLevelHost,
            "Finished sending %d packets to KX2. Will wait 8 seconds for final response\n",
            packetCount_);
        const FinalAnswer answer = RunFinalCycle(cycle);
        if (answer != FinalAnswer::kResent && answer != FinalAnswer::kNone) {
            return answer;
        }
    }
    return FinalAnswer::kNone;
}

bool Kx2Uploader::ScanForFrameStart() {
    for (int examined = 0; examined < kMaxScanBytes; ++examined) {
        const int byte = ReadByte();
        if (byte < 0) {
            return false;
        }
        const uint8_t value = static_cast<uint8_t>(byte);
        serialData_.Received(std::span<const uint8_t>(&value, 1));
        if (value == kKx2FrameStart) {
            return true;
        }
    }
    return false;
}

bool Kx2Uploader::ReceiveFrame() {
    received_.clear();
    if (!ScanForFrameStart()) {
        FlushReceived();
        return false;
    }
    receiver_.Start();
    bool complete = false;
    for (int read = 0; read < kMaxFrameReads && !complete; ++read) {
        const int byte = ReadByte();
        if (byte < 0) {
            // Waits for the next byte instead of pausing after each one, so a frame is taken
            // the moment it is whole; the read bound still ends a frame that never is.
            clock_.WaitFor(port_, kByteWaitMs);
            continue;
        }
        complete = receiver_.Feed(static_cast<uint8_t>(byte)) == Kx2FrameReceiver::State::kComplete;
    }
    serialData_.Received(receiver_.Bytes());
    FlushReceived();
    return complete;
}

int Kx2Uploader::ReadByte() {
    const int byte = port_.ReadByte();
    lineLost_ = lineLost_ || (byte < 0 && byte != kSerialNothingWaiting);
    if (byte >= 0 && serialLog_.IsOpen()) {
        received_.push_back(static_cast<uint8_t>(byte));
    }
    return byte;
}

void Kx2Uploader::FlushReceived() {
    serialLog_.Received(received_);
    received_.clear();
}

Kx2FrameType Kx2Uploader::DecodeResponse() {
    const Kx2FrameType type = receiver_.Type();
    if (type == kKx2ResendList) {
        ApplyResendList(receiver_.ResendNumbers());
    }
    return type;
}

void Kx2Uploader::ApplyResendList(const std::vector<int16_t>& numbers) {
    for (Packet& packet : packets_) {
        packet.send = 0;
        packet.last = 0;
    }
    const int32_t inTable = static_cast<int32_t>(packets_.size());
    for (size_t i = 0; i < numbers.size(); ++i) {
        const int32_t number = numbers[i];
        if (number < 1 || number > packetCount_ || number > inTable) {
            continue;
        }
        Packet& packet = packets_[static_cast<size_t>(number - 1)];
        packet.send = 1;
        if (i + 1 == numbers.size()) {
            packet.last = 1;
        }
    }
}

void Kx2Uploader::WriteFrame() {
    const int written =
        port_.WriteBlock(frame_.Bytes().data(), static_cast<uint16_t>(frame_.Length()));
    lineLost_ = lineLost_ || written < 0;
    serialLog_.Sent(frame_.Bytes());
}

void Kx2Uploader::LogCancel() {
    log_.PostLogLine(kLevelError, "CAUTION: KX2 canceled the session. Will Abort\n");
}

void Kx2Uploader::LogUnknown(Kx2FrameType type) {
    log_.PostLogLine(kLevelError, "ERROR: Unknown response (%d) from KX2\n",
                     static_cast<int>(type));
}

}  // namespace quillon
