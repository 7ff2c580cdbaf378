#include "upload/HbdUploader.h"

#include <algorithm>

#include "protocol/Crc16.h"
#include "protocol/PacketTimes.h"
#include "settings/SettingsKeys.h"
#include "text/TextFormat.h"
#include "upload/StaleInput.h"

namespace quillon {

namespace {

constexpr const char* kHistoryUserAbort = "*** USER ABORTED UPLOAD ***";
constexpr const char* kHistoryBeginFailed = "No/Bad Response from KX, Step: Begin Upload";
constexpr const char* kHistoryPrepareFailed = "No/Bad Response from KX, Step: Next Packet";
constexpr const char* kHistoryDataFailed = "No/Bad Response from KX, Step: Get Ack from HBD";
// The end of transfer is the one packet the unit never answers: a write that fails is the only
// sign that it did not arrive, and a board the unit never closed is no success.
constexpr const char* kHistoryEndLost = "Line lost, Step: End of Transfer";

// The steps of a FileFailed event, named as the history's texts name them.
constexpr std::string_view kStepBegin = "Begin Upload";
constexpr std::string_view kStepPrepare = "Next Packet";
constexpr std::string_view kStepData = "Get Ack from HBD";
constexpr std::string_view kStepEnd = "End of Transfer";

// Internal error codes: an unknown file kind seen as a file starts, or in the begin step.
constexpr int kInternalErrorMajorStart = 2;
constexpr int kInternalErrorMajorBegin = 3;
constexpr int kInternalErrorMinor = 1;

constexpr int64_t kMicrosPerSecond = 1'000'000;

int32_t WholeSeconds(int64_t micros) {
    // Rounded towards zero, as the counters were counted down in whole seconds before.
    return static_cast<int32_t>(micros / kMicrosPerSecond);
}

}  // namespace

HbdUploader::HbdUploader(UploadJob& job, SerialPort& port, Clock& clock, ProgramState& state)
    : UploaderParts(job, port, clock, state) {}

void HbdUploader::LoadUploadSettings(const IniFile& ini) {
    HbdUploadSettings s;
    s.retransmitControl = settings::Read(ini, settings::kRetransmitControl);
    s.retransmitData = settings::Read(ini, settings::kRetransmitData);
    s.responseWaitSeconds = settings::Read(ini, settings::kWaitForResponse);
    s.delayAfterFileSeconds = settings::Read(ini, settings::kDelayAfterFile);
    s.logMessages = settings::ReadBool(ini, settings::kLogMessages);
    s.logSerialData = settings::ReadBool(ini, settings::kLogSerialData);
    s.showTiming = settings::ReadBool(ini, settings::kShowUploadTiming);
    ApplySettings(s);
}

void HbdUploader::ApplySettings(const HbdUploadSettings& s) {
    settings_ = s;
    settings_.retransmitControl = settings::kRetransmitControl.InEffect(s.retransmitControl);
    settings_.retransmitData = settings::kRetransmitData.InEffect(s.retransmitData);
    settings_.responseWaitSeconds = settings::kWaitForResponse.InEffect(s.responseWaitSeconds);
    settings_.delayAfterFileSeconds = settings::kDelayAfterFile.InEffect(s.delayAfterFileSeconds);
    log_.SetLogMessages(settings_.logMessages);
}

bool HbdUploader::OpenMessageLog() {
    return log_.OpenRunLogs(port_, job_, settings_.logSerialData ? &serialLog_ : nullptr);
}

void HbdUploader::CloseMessageLog() {
    log_.Close();
    serialLog_.Close();
}

// ---------------------------------------------------------------------------------------------
// Events and the line

void HbdUploader::SendControlPacket(uint8_t command) {
    controlPacket_ = hbd::MakeControlPacket(command);
    port_.WriteBlock(controlPacket_.data(), static_cast<uint16_t>(controlPacket_.size()));
    RecordSent(controlPacket_);
}

void HbdUploader::SendDataPacket() {
    const std::span<const uint8_t> payload(packet_);
    const auto crc = hbd::CrcWireBytes(packetChecksum_);
    port_.WriteBlock(payload.data(), static_cast<uint16_t>(payload.size()));
    port_.WriteBlock(crc.data(), static_cast<uint16_t>(crc.size()));
    RecordSent(payload);
    RecordSent(crc);
}

void HbdUploader::RecordSent(std::span<const uint8_t> bytes) {
    serialLog_.Sent(bytes);
}

// A wait's bytes go into the serial-data log as one entry, not one line per byte.
void HbdUploader::FlushReceived() {
    serialLog_.Received(waitBytes_);
    waitBytes_.clear();
}

// One byte when one is waiting or arrives within a poll interval; negative otherwise. A dead
// line makes the wait return at once, so the caller's poll budget still bounds the passes.
int HbdUploader::ReadOneByte() {
    int byte = port_.ReadByte();
    if (byte >= 0 || NoteDeadLine(byte)) {
        return byte;
    }
    if (!clock_.WaitFor(port_, kPollMs)) {
        return kSerialNothingWaiting;
    }
    byte = port_.ReadByte();
    NoteDeadLine(byte);
    return byte;
}

bool HbdUploader::NoteDeadLine(int readResult) {
    lineLost_ = lineLost_ || (readResult < 0 && readResult != kSerialNothingWaiting);
    return lineLost_;
}

FailureCause HbdUploader::ResponseCause() const {
    if (lineLost_) {
        return FailureCause::kLineLost;
    }
    switch (lastResponse_) {
        case kNoResponse:
            return FailureCause::kNoAnswer;
        case hbd::kReplyBadPacket:
        case hbd::kReplyWriteFailed:
        case hbd::kReplyAbortTransfer:
            return FailureCause::kUnitError;
        default:
            return FailureCause::kBadAnswer;
    }
}

void HbdUploader::LogUserAbort() {
    log_.PostLogLine(kLevelAck, " ");
    log_.PostLogLine(kLevelAck, "*** USER ABORTED UPLOAD ***\n");
    if (TakeBoardRecord(job_, progress_.currentKind)) {
        NoteHistory(history_.WriteUploadFailed(progress_.currentPath, progress_.currentKind,
                                               kHistoryUserAbort));
    }
}

void HbdUploader::NoteHistory(bool written) {
    NoteRecordWritten(events_, written, RunRecord::kHistory, history_.Path());
}

void HbdUploader::FailFile(const char* historyText, std::string_view step, FailureCause cause) {
    events_.Send(event::FileFailed{progress_, step, cause});
    if (TakeBoardRecord(job_, progress_.currentKind)) {
        NoteHistory(
            history_.WriteUploadFailed(progress_.currentPath, progress_.currentKind, historyText));
    }
}

// ---------------------------------------------------------------------------------------------
// Packet counting

int32_t HbdUploader::AnnouncedPackets(uint64_t fileLength, FileKind kind) {
    // Unsigned arithmetic on purpose: the unit's count of a too-short file wraps the same way.
    const uint64_t sent = fileLength - FindBoard(kind)->keptOnHost;
    return static_cast<int32_t>(static_cast<uint32_t>(sent / hbd::kPayloadSize));
}

int32_t HbdUploader::EstimateSeconds(uint64_t fileLength, FileKind kind, int baudRate) {
    const int32_t packets = AnnouncedPackets(fileLength, kind);
    return packets <= 0 ? 0
                        : packet_times::Seconds(static_cast<uint64_t>(packets),
                                                packet_times::HbdPacketMicros(kind, baudRate));
}

int32_t HbdUploader::EstimateRunSeconds() {
    int32_t files = 0;
    int64_t totalMicros = 0;
    for (const BoardSpec& board : kBoards) {
        const FirmwareImage* image = job_.Image(board.kind);
        if (image == nullptr) {
            continue;
        }
        const uint64_t length = image->bytes.size();
        if (length < board.keptOnHost) {
            // The start checks refuse such a file; nothing of it would be sent.
            log_.PostLogLine(kLevelError,
                             "ERROR: %s File\"%s\" is shorter than its %d-byte header; nothing "
                             "to send!\n",
                             board.name, image->path.c_str(), static_cast<int>(board.keptOnHost));
            return -1;
        }
        BoardCounts& counts = progress_.Board(board.kind);
        counts.packets = AnnouncedPackets(length, board.kind);
        const int64_t micros =
            counts.packets * packet_times::HbdPacketMicros(board.kind, job_.baudRate);
        counts.estimate = WholeSeconds(micros);
        totalMicros += micros;
        ++files;
    }
    progress_.filesRemaining = files;
    // With nothing selected there is no delay to count (rather than a negative estimate).
    const int32_t delays = std::max(files - 1, 0);
    totalRemainingMicros_ =
        totalMicros + int64_t{delays} * settings_.delayAfterFileSeconds * kMicrosPerSecond;
    progress_.totalRemaining = WholeSeconds(totalRemainingMicros_);
    events_.Send(event::Estimates{progress_});
    return progress_.totalRemaining;
}

// ---------------------------------------------------------------------------------------------
// One file

bool HbdUploader::UploadFile(const FirmwareImage& image, FileKind kind) {
    const bool sent = SendFile(image, kind);
    // A step that sees the abort (or a line lost as the abort came) ends without an entry of its
    // own; the abort is recorded here then.
    if (!sent && Aborted() && BoardRecordOpen(job_, kind)) {
        LogUserAbort();
    }
    return sent;
}

bool HbdUploader::SendFile(const FirmwareImage& image, FileKind kind) {
    const uint32_t startTick = clock_.TickCount();
    NoteHistory(history_.WriteBeginUpload(image.path, kind));
    OpenBoardRecord(job_, kind);
    port_.ClearPending();
    if (!StartFile(image, kind)) {
        return false;
    }
    if (log_.IsOpen()) {
        log_.WriteFileBanner(kindName_, image.path);
    }
    AnnounceFile(image);
    DropStale();
    if (!NotifyBeginUpload()) {
        if (!Aborted()) {
            FailFile(kHistoryBeginFailed, kStepBegin, ResponseCause());
        }
        return false;
    }
    return SendPackets() && FinishFile(startTick);
}

bool HbdUploader::StartFile(const FirmwareImage& image, FileKind kind) {
    progress_.currentPath = image.path;
    progress_.currentKind = kind;
    progress_.currentPacketsSent = 0;
    board_ = FindBoard(kind);
    if (board_ == nullptr) {
        const int number = static_cast<int>(kind);
        state_.SetInternalError(kInternalErrorMajorStart, kInternalErrorMinor, number);
        events_.Send(event::InternalError{});
        NoteHistory(history_.WriteCriticalError(state_.InternalError()));
        return false;
    }
    progress_.currentPackets = progress_.Board(kind).packets;
    progress_.secondsPerPacket = board_->secondsPerPacket;
    packetMicros_ = packet_times::HbdPacketMicros(kind, job_.baudRate);
    currentRemainingMicros_ = int64_t{progress_.currentPackets} * packetMicros_;
    progress_.currentRemaining = WholeSeconds(currentRemainingMicros_);
    kindName_ = board_->name;
    progress_.currentKindName = kindName_;
    image_ = &image;
    nextByte_ = board_->keptOnHost;
    return true;
}

void HbdUploader::AnnounceFile(const FirmwareImage& image) {
    log_.PostLogLine(kLevelPrep, "Prep 3: Success; open %s file: %s\n", kindName_.c_str(),
                     image.path.c_str());
    log_.PostLogLine(kLevelPrep, "Prep 4: Scan file; will send %d data packets to HBD\n\n",
                     progress_.currentPackets);
    events_.Send(event::FileStart{progress_});
}

void HbdUploader::DropStale() {
    NoteDeadLine(DropStaleInput(port_, clock_, &waitBytes_) ? kSerialNothingWaiting
                                                            : kSerialIoError);
    const size_t dropped = waitBytes_.size();
    FlushReceived();
    if (dropped != 0) {
        log_.PostLogLine(kLevelHost,
                         "Dropped %llu bytes waiting on the line from before this upload\n",
                         static_cast<unsigned long long>(dropped));
    }
}

bool HbdUploader::NotifyBeginUpload() {
    log_.PostLogLine(kLevelBegin, "Prep 5: Notify HBD to Begin Upload %s\n", kindName_.c_str());
    if (board_ == nullptr) {
        state_.SetInternalError(kInternalErrorMajorBegin, kInternalErrorMinor,
                                static_cast<int>(progress_.currentKind));
        events_.Send(event::InternalError{});
        return false;
    }
    for (int tryNumber = 1; tryNumber <= settings_.retransmitControl; ++tryNumber) {
        SendControlPacket(board_->beginCommand);
        log_.PostLogLine(kLevelHost, "Sending to HBD \"Begin Upload, %s file\"\n",
                         kindName_.c_str());
        serialData_.Sent(controlPacket_);
        const int code = WaitForResponse(tryNumber);
        if (Aborted()) {
            return false;
        }
        LogAck(code);
        if (code == board_->readyReply) {
            return true;
        }
        LogBadResponse(code);
    }
    log_.PostLogLine(kLevelError, "Giving Up! No/Bad Response from HBD after %d tries\n",
                     settings_.retransmitControl);
    return false;
}

bool HbdUploader::NextPacket() {
    const std::vector<uint8_t>& bytes = image_->bytes;
    if (nextByte_ >= bytes.size()) {
        return false;
    }
    const size_t got = std::min(hbd::kPayloadSize, bytes.size() - nextByte_);
    const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(nextByte_);
    std::copy_n(from, got, packet_.begin());
    std::fill(packet_.begin() + static_cast<std::ptrdiff_t>(got), packet_.end(), hbd::kPadByte);
    nextByte_ += got;
    return true;
}

bool HbdUploader::SendPackets() {
    for (packetNumber_ = 1; NextPacket(); ++packetNumber_) {
        packetChecksum_ = Crc16(packet_.data(), packet_.size());
        packetStartTick_ = clock_.TickCount();
        log_.PostLogLine(kLevelHost, "\n");
        if (!PrepareExchange() || !DataExchange()) {
            return false;
        }
        if (settings_.showTiming) {
            log_.PostLogLine(kLevelTiming, "(%d ms)\n",
                             static_cast<int>(clock_.TickCount() - packetStartTick_));
        }
    }
    return true;
}

bool HbdUploader::PrepareExchange() {
    // The prepare packet is retried as often as data packets are, not as control packets.
    for (int tryNumber = 1; tryNumber <= settings_.retransmitData; ++tryNumber) {
        SendControlPacket(hbd::kCmdPrepare);
        log_.PostLogLine(kLevelHost, "%d.1: Sending to HBD; Prepare for packet %d of %d\n",
                         packetNumber_, packetNumber_, progress_.currentPackets);
        serialData_.Sent(controlPacket_);
        const int code = WaitForResponse(tryNumber);
        if (Aborted()) {
            return false;
        }
        LogAck(code);
        if (code == hbd::kReplyReadyNext) {
            return true;
        }
        LogBadResponse(code);
    }
    log_.PostLogLine(kLevelError, "Giving Up! No/Bad Response from HBD after %d tries\n",
                     settings_.retransmitData);
    if (!Aborted()) {
        FailFile(kHistoryPrepareFailed, kStepPrepare, ResponseCause());
    }
    return false;
}

bool HbdUploader::DataExchange() {
    for (int tryNumber = 1; tryNumber <= settings_.retransmitData; ++tryNumber) {
        if (DataTry(tryNumber)) {
            return true;
        }
    }
    if (!Aborted()) {
        FailFile(kHistoryDataFailed, kStepData, ResponseCause());
    }
    return false;
}

void HbdUploader::CountTransmission() {
    ++progress_.currentPacketsSent;
    totalRemainingMicros_ -= packetMicros_;
    currentRemainingMicros_ -= packetMicros_;
    progress_.totalRemaining = WholeSeconds(totalRemainingMicros_);
    progress_.currentRemaining = WholeSeconds(currentRemainingMicros_);
}

bool HbdUploader::DataTry(int tryNumber) {
    CountTransmission();
    events_.Send(event::PacketSent{progress_});
    log_.PostLogLine(kLevelHost, "%d.3: Sending to HBD; Packet %d, %d bytes\n", packetNumber_,
                     packetNumber_, static_cast<int>(hbd::kDataPacketSize));
    serialData_.Sent(packet_);
    SendDataPacket();
    log_.PostLogLine(kLevelHost, "%d.4: Wait for response from HBD\n", packetNumber_);
    int code = WaitForResponse(tryNumber);
    if (Aborted()) {
        return false;
    }
    LogAck(code);
    if (code == hbd::kReplyGoodPacket) {
        return true;
    }
    if (code != hbd::kReplyEndOfBlock) {
        LogUnexpectedDataAnswer(code);
        return false;
    }
    // The unit is writing the block to flash; its second answer says how that went.
    code = WaitForResponse(tryNumber);
    if (Aborted()) {
        return false;
    }
    LogAck(code);
    if (code != hbd::kReplyFlashWritten) {
        LogUnexpectedDataAnswer(code);
        return false;
    }
    return true;
}

void HbdUploader::LogUnexpectedDataAnswer(int code) {
    switch (code) {
        case hbd::kReplyBadPacket:
        case hbd::kReplyWriteFailed:
        case hbd::kReplyAbortTransfer:
        case kNoResponse:
        case kUnexpectedBytes:
            return;  // the unit's own error, or the wait's lines, say it already
        default:
            LogBadResponse(code);  // an unknown code, or a digit out of its place
    }
}

bool HbdUploader::FinishFile(uint32_t startTick) {
    log_.PostLogLine(kLevelHost, "END of FILE Reached!\n\n");
    controlPacket_ = hbd::MakeControlPacket(hbd::kCmdEndOfTransfer);
    log_.PostLogLine(kLevelHost, "LAST Step: Sending to HBD; End of Transfer!\n");
    serialData_.Sent(controlPacket_);
    const int written =
        port_.WriteBlock(controlPacket_.data(), static_cast<uint16_t>(controlPacket_.size()));
    RecordSent(controlPacket_);
    if (written != static_cast<int>(controlPacket_.size())) {
        log_.PostLogLine(kLevelError,
                         "ERROR: End of Transfer did not reach the HBD; the line was lost\n");
        FailFile(kHistoryEndLost, kStepEnd, FailureCause::kLineLost);
        return false;
    }

    const int32_t elapsed = static_cast<int32_t>((clock_.TickCount() - startTick) / 1000);
    progress_.Board(progress_.currentKind).elapsed = elapsed;
    progress_.lastFileElapsed = elapsed;
    --progress_.filesRemaining;
    if (TakeBoardRecord(job_, progress_.currentKind)) {
        NoteHistory(
            history_.WriteUploadSuccess(progress_.currentPath, progress_.currentKind, elapsed));
    }
    events_.Send(event::FileDone{progress_});
    return true;
}

bool HbdUploader::PauseBeforeNextFile(const FirmwareImage& next, FileKind nextKind) {
    const int32_t delay = settings_.delayAfterFileSeconds;
    if (delay == 0) {
        return !Aborted();
    }
    progress_.delayLength = delay;
    progress_.delayRemaining = delay;
    for (int32_t second = 0; second < delay; ++second) {
        events_.Send(event::PauseTick{progress_});
        if (second % kDelayLogEvery == 0) {
            log_.PostLogLine(kLevelHost, "Delay %2d seconds before next upload.\n", delay - second);
        }
        clock_.Sleep(kDelayTickMs);
        totalRemainingMicros_ -= kMicrosPerSecond;
        progress_.totalRemaining = WholeSeconds(totalRemainingMicros_);
        --progress_.delayRemaining;
        if (Aborted()) {
            // The board just loaded stays a success; the abort keeps the next one from loading.
            RecordAbortBefore(next, nextKind);
            return false;
        }
    }
    return true;
}

void HbdUploader::RecordAbortBefore(const FirmwareImage& image, FileKind kind) {
    log_.PostLogLine(kLevelAck, " ");
    log_.PostLogLine(kLevelAck, "*** USER ABORTED UPLOAD ***\n");
    NoteHistory(history_.WriteUploadFailed(image.path, kind, kHistoryUserAbort));
}

// ---------------------------------------------------------------------------------------------
// Responses

int HbdUploader::WaitForResponse(int tryNumber) {
    lastResponse_ = AwaitResponse(tryNumber);
    return lastResponse_;
}

int HbdUploader::AwaitResponse(int tryNumber) {
    capture_.fill(0);
    capturedCount_ = 0;
    receivedCount_ = 0;
    matcher_.Reset();
    std::optional<uint8_t> code;
    const int32_t budget = kPollsPerSecond * settings_.responseWaitSeconds;
    // A dead line answers nothing: the wait ends at once instead of running out its budget.
    for (int32_t pass = 0; pass < budget && !code && !lineLost_; ++pass) {
        if (Aborted()) {
            FlushReceived();
            LogUserAbort();
            return kUserAbort;
        }
        const int byte = ReadOneByte();
        if (byte < 0) {
            continue;
        }
        const auto value = static_cast<uint8_t>(byte);
        waitBytes_.push_back(value);
        ++receivedCount_;
        if (capturedCount_ < kCaptureSize) {
            capture_[capturedCount_++] = value;
        }
        code = matcher_.Feed(value);
    }
    FlushReceived();
    if (code) {
        serialData_.Received(Captured());
        return hbd::IsDigitCode(*code) ? *code : kUnknownResponse;
    }
    if (receivedCount_ == 0) {
        log_.PostLogLine(kLevelError, "ERROR: No response from HBD (try # %d).\n\n", tryNumber);
        return kNoResponse;
    }
    serialData_.Received(Captured());
    log_.PostLogLine(kLevelError, "ERROR: Did not get expected response from HBD.\n");
    log_.PostLogLine(kLevelError,
                     "       %3d bytes; %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X\n\n",
                     receivedCount_, capture_[0], capture_[1], capture_[2], capture_[3],
                     capture_[4], capture_[5], capture_[6], capture_[7], capture_[8], capture_[9]);
    return kUnexpectedBytes;
}

void HbdUploader::LogAck(int code) {
    for (const BoardSpec& board : kBoards) {
        if (code == board.readyReply) {
            log_.PostLogLine(kLevelAck, "Ack from HBD; ready to receive %s file\n", board.name);
            return;
        }
    }
    switch (code) {
        case hbd::kReplyReadyNext:
            log_.PostLogLine(kLevelAck, "%d.2: Ack from HBD; ready to receive next packet\n",
                             packetNumber_);
            break;
        case hbd::kReplyGoodPacket:
            log_.PostLogLine(kLevelAck, "%d.5: Ack from HBD; received good packet\n",
                             packetNumber_);
            break;
        case hbd::kReplyEndOfBlock:
            log_.PostLogLine(kLevelAck, "%d.5: Ack from HBD; received good packet, End of Block\n",
                             packetNumber_);
            break;
        case hbd::kReplyFlashWritten:
            log_.PostLogLine(kLevelAck, "%d.6: Ack from HBD; wrote packets to Flash\n",
                             packetNumber_);
            break;
        case hbd::kReplyBadPacket:
            log_.PostLogLine(kLevelError, "ERROR from HBD; received Bad Packet\n");
            break;
        case hbd::kReplyWriteFailed:
            log_.PostLogLine(kLevelError, "ERROR from HBD; Write Block Failed\n");
            break;
        case hbd::kReplyAbortTransfer:
            log_.PostLogLine(kLevelError, "ERROR from HBD; *** ABORT TRANSFER ***\n");
            break;
        case kUserAbort:
            log_.PostLogLine(kLevelAck, "*** USER ABORTED UPLOAD (P1) ***\n");
            break;
        default:
            break;
    }
}

void HbdUploader::LogBadResponse(int code) {
    if (code == kNoResponse) {
        return;
    }
    if (code == kUnknownResponse) {
        log_.PostLogLine(kLevelError, "ERROR: Unknown response from HBD (%d bytes)\n",
                         receivedCount_);
    } else {
        log_.PostLogLine(kLevelError, "ERROR: Out of Order response from HBD (ID = %d)\n", code);
    }
    log_.PostLogLine(kLevelError, "  HBD: %s\n", HexBytes(Captured(), " ").c_str());
}

}  // namespace quillon
