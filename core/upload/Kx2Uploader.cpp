#include "upload/Kx2Uploader.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

namespace quillon {

namespace {

constexpr char kKindNameKx2[] = "KX2-FILE";
constexpr int32_t kSecondsPerPacket = 1;
constexpr int32_t kMsPerSecond = 1000;

constexpr char kHistoryNoBeginAnswer[] = "No/Bad Response from KX2, Step: Begin Upload";
constexpr char kHistoryCancelled[] = "KX2 canceled";
constexpr char kHistoryCannotOpen[] = "Failed to open input file";
constexpr char kHistoryLineLost[] = "Line lost, Step: ";

// The steps of UM_FILE_FAILED.
constexpr std::string_view kStepCheckFile = "Check File";
constexpr std::string_view kStepOpenFile = "Open File";
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

Kx2Uploader::Kx2Uploader(SerialPort& port, UploadJob& job, Clock& clock, ProgramState& state)
    : port_(port),
      job_(job),
      clock_(clock),
      state_(state),
      window_(*job.notifications),
      log_(*job.notifications, clock, state.appDir),
      history_(state.appDir, clock) {
    state_.ResetInternalError();
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

uint64_t Kx2Uploader::PacketsFor(uint64_t fileLength, int32_t maxPacketSize) {
    // An unusable packet size is refused later with its own message; no division by it here.
    const int32_t payload = maxPacketSize - static_cast<int32_t>(kKx2Overhead);
    return payload <= 0 ? 0 : (fileLength + static_cast<uint64_t>(payload) - 1) / payload;
}

int32_t Kx2Uploader::EstimateFor(uint64_t packets, int32_t delayMs) {
    const int64_t delay = std::max<int32_t>(delayMs, 0);
    return ClampToInt32(packets + packets * static_cast<uint64_t>(delay) / kMsPerSecond);
}

bool Kx2Uploader::PrepareUpload(const std::string& path) {
    LoadUploadSettings();
    path_ = path;
    payloadSize_ = settings_.maxPacketSize - static_cast<int32_t>(kKx2Overhead);

    if (!input_.SetPath(path) || !input_.OpenInputFile()) {
        log_.PostLogLine(kLevelError, "ERROR: Failed to open COMM File\"%s\"!\n", path.c_str());
        return false;
    }
    fileLength_ = input_.Length();
    input_.Close();

    packetsNeeded_ = PacketsFor(fileLength_, settings_.maxPacketSize);
    packetCount_ = ClampToInt32(packetsNeeded_);
    const int32_t estimate = EstimateFor(packetsNeeded_, settings_.delayMs);

    progress_ = UploadProgress{};
    progress_.commPackets = packetCount_;
    progress_.filesRemaining = 1;
    progress_.commEstimate = estimate;
    progress_.totalRemaining = estimate;
    progress_.currentRemaining = estimate;
    progress_.currentPath = path;
    progress_.currentKind = kKindComm;
    progress_.currentPackets = packetCount_;
    progress_.currentPacketsSent = 0;
    progress_.secondsPerPacket = kSecondsPerPacket;
    progress_.currentKindName = kKindNameKx2;
    Notify(UM_PROGRESS, 1);

    name_ = std::filesystem::path(path).filename().string();
    return true;
}

std::optional<Kx2Uploader::Refusal> Kx2Uploader::CheckLimits() const {
    char line[MessageLog::kMaxText + 1];
    if (settings_.maxPacketSize < kMinPacketSize || settings_.maxPacketSize > kMaxPacketSizeLimit) {
        std::snprintf(line, sizeof line,
                      "ERROR: Max Packet Size %d is outside 11 to 4096; upload refused\n",
                      settings_.maxPacketSize);
        return Refusal{line, "Max Packet Size outside 11 to 4096"};
    }
    if (settings_.delayMs < 0 || settings_.delayMs > kMaxDelayMs) {
        std::snprintf(line, sizeof line,
                      "ERROR: Delay Between Packets %d is outside 0 to 65535; upload refused\n",
                      settings_.delayMs);
        return Refusal{line, "Delay Between Packets outside 0 to 65535"};
    }
    if (fileLength_ == 0) {
        std::snprintf(line, sizeof line, "ERROR: File \"%s\" is empty; upload refused\n",
                      path_.c_str());
        return Refusal{line, "File is empty"};
    }
    if (name_.size() > kKx2MaxNameLength) {
        std::snprintf(line, sizeof line,
                      "ERROR: File name \"%s\" is longer than 49 characters; upload refused\n",
                      name_.c_str());
        return Refusal{line, "File name longer than 49 characters"};
    }
    if (packetsNeeded_ > static_cast<uint64_t>(kMaxPackets)) {
        std::snprintf(line, sizeof line,
                      "ERROR: File needs %llu packets, more than 5000; upload refused\n",
                      static_cast<unsigned long long>(packetsNeeded_));
        return Refusal{line, "File needs more than 5000 packets"};
    }
    return std::nullopt;
}

bool Kx2Uploader::Refuse(const Refusal& refusal) {
    log_.PostLogLine(kLevelError, "%s", refusal.logLine.c_str());
    return FailFile(refusal.historyText, kStepCheckFile, refusal.cause);
}

void Kx2Uploader::NoteHistory(bool written) {
    NoteRecordWritten(window_, written, "history entry in " + history_.Path());
}

bool Kx2Uploader::FailFile(const std::string& historyText, std::string_view step,
                           std::string_view cause) {
    Notification n(UM_FILE_FAILED);
    n.progress = &progress_;
    n.failureStep = step;
    n.failureCause = cause;
    window_.Send(n);
    NoteHistory(history_.WriteUploadFailed(path_, kKindComm, historyText));
    outcome_ = RunOutcome::kFailed;
    return false;
}

bool Kx2Uploader::FailLineLost(std::string_view step) {
    log_.PostLogLine(kLevelError, "ERROR: Line lost; %s\n",
                     port_.Library().LastErrorText(port_.PortIndex()).c_str());
    return FailFile(kHistoryLineLost + std::string(step), step, failure_cause::kLineLost);
}

std::string_view Kx2Uploader::ResponseCause() const {
    return startCancelled_ ? failure_cause::kUnitCancel
           : startGarbled_ ? failure_cause::kBadAnswer
                           : failure_cause::kNoAnswer;
}

bool Kx2Uploader::UploadFile(const std::string& path) {
    outcome_ = RunOutcome::kFailed;
    lineLost_ = false;
    // Every way out of here frees the packet data.
    struct FreePackets {
        std::vector<Packet>& table;
        ~FreePackets() { std::vector<Packet>().swap(table); }
    } freePackets{packets_};

    if (!PrepareUpload(path)) {
        return false;
    }
    NoteHistory(history_.WriteBeginUpload(path, kKindComm));
    port_.ClearPending();
    if (settings_.logMessages && log_.IsOpen()) {
        log_.WriteKx2Banner(path);
    }
    if (auto refusal = CheckLimits()) {
        return Refuse(*refusal);
    }
    if (!input_.OpenInputFile()) {
        log_.PostLogLine(kLevelError, "ERROR: Failed to open Input File\"%s\"!\n", path.c_str());
        return FailFile(kHistoryCannotOpen, kStepOpenFile, failure_cause::kFileError);
    }
    log_.PostLogLine(kLevelPrep, "Prep 3: Success; open file: %s\n", path.c_str());
    log_.PostLogLine(kLevelPrep, "Prep 4: Scan file; will send %d data packets to HBD\n\n",
                     packetCount_);
    Notify(UM_FILE_START, 0);

    const bool filled = FillPacketTable();
    input_.Close();
    if (!filled) {
        return false;
    }
    if (!RequestStartUpload()) {
        if (job_.abortRequest.load(std::memory_order_relaxed) != 0) {
            outcome_ = RunOutcome::kAborted;
            return false;
        }
        return lineLost_ ? FailLineLost(kStepBegin)
                         : FailFile(kHistoryNoBeginAnswer, kStepBegin, ResponseCause());
    }
    // Anything the unit said during the handshake must not thin out the first pass.
    FlagEveryPacket();
    if (SendFlaggedPackets() < 0) {
        return lineLost_ ? FailLineLost(kStepSend)
                         : FailFile(kHistoryCancelled, kStepSend, failure_cause::kUnitCancel);
    }
    const FinalAnswer answer = RunFinalPhase();
    if (lineLost_) {
        return FailLineLost(kStepFinal);
    }
    switch (answer) {
        case FinalAnswer::kComplete:
            outcome_ = RunOutcome::kCompleted;
            return true;
        case FinalAnswer::kCancelled:
            return FailFile(kHistoryCancelled, kStepFinal, failure_cause::kUnitCancel);
        case FinalAnswer::kResent:
        case FinalAnswer::kNone:
            break;
    }
    outcome_ = RunOutcome::kNoFinalAnswer;
    return false;
}

std::vector<uint8_t> Kx2Uploader::CopyPacketBytes(const uint8_t* bytes, size_t count) {
    return std::vector<uint8_t>(bytes, bytes + count);
}

bool Kx2Uploader::FillPacketTable() {
    const size_t payload = static_cast<size_t>(payloadSize_);
    uint64_t total = 0;
    bool changed = false;
    try {
        packets_.clear();
        packets_.reserve(static_cast<size_t>(packetCount_));
        for (;;) {
            const size_t got = input_.Read(payload);
            if (got == 0) {
                break;
            }
            if (packets_.size() == static_cast<size_t>(packetCount_)) {
                changed = true;  // the file grew
                break;
            }
            Packet packet;
            packet.number = static_cast<int32_t>(packets_.size() + 1);
            packet.count = static_cast<int32_t>(got);
            packet.send = 1;
            packet.data = CopyPacketBytes(input_.blockBuffer.data(), got);
            packets_.push_back(std::move(packet));
            total += got;
            if (got < payload) {
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        const size_t failedPacket = packets_.size() + 1;
        std::vector<Packet>().swap(packets_);
        char line[MessageLog::kMaxText + 1];
        std::snprintf(line, sizeof line, "ERROR: Out of memory for packet %zu; upload refused\n",
                      failedPacket);
        return Refuse(Refusal{line, "Out of memory for the packet table"});
    }
    if (input_.ReadFailed()) {
        std::vector<Packet>().swap(packets_);
        char line[MessageLog::kMaxText + 1];
        std::snprintf(line, sizeof line, "ERROR: Failed to read Input File\"%s\"!\n",
                      path_.c_str());
        return Refuse(Refusal{line, "Failed to read input file", failure_cause::kFileError});
    }
    if (changed || total != fileLength_ || packets_.empty()) {
        std::vector<Packet>().swap(packets_);
        char line[MessageLog::kMaxText + 1];
        std::snprintf(line, sizeof line,
                      "ERROR: File \"%s\" changed while it was read; upload refused\n",
                      path_.c_str());
        return Refuse(Refusal{line, "File changed while it was read", failure_cause::kFileError});
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
    for (int attempt = 0; attempt < kStartTries; ++attempt) {
        BuildStartRequest(frame_, StartRequest());
        WriteFrame();
        log_.PostLogLine(kLevelHost, "Sending to KX2 \"Request to start Upload file\n");
        log_.PostLogLine(kLevelHost, "Will wait 8 seconds for a response\n");
        ShowBytes(UM_TX_BYTES, frame_.Bytes().data(), frame_.Length());
        if (!WaitForFrame()) {
            if (lineLost_) {
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
    log_.PostLogLine(kLevelError,
                     "Giving Up! Did not get proper response from KX2 after 3 tries\n");
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

    progress_.currentPacketsSent += 1;
    progress_.totalRemaining -= progress_.secondsPerPacket;
    progress_.currentRemaining -= progress_.secondsPerPacket;
    Notify(UM_PROGRESS, 0);

    log_.PostLogLine(kLevelHost, "Sending to KX2, packet %d of %d (%d bytes)\n", packet.number,
                     packetCount_, static_cast<int>(frame_.Length()));
    ShowBytes(UM_TX_BYTES, frame_.Bytes().data(), frame_.Length());
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
    ShowBytes(UM_TX_BYTES, frame_.Bytes().data(), frame_.Length());
}

bool Kx2Uploader::WaitForFrame() {
    for (int poll = 0; poll < kPollsPerWait && !lineLost_; ++poll) {
        if (ReceiveFrame()) {
            return true;
        }
        // Returns as soon as a byte arrives, so an answer is taken without a blind pause.
        clock_.WaitFor(port_, kPollWaitMs);
    }
    return false;
}

Kx2Uploader::FinalAnswer Kx2Uploader::RunFinalCycle() {
    for (int wait = 0; wait < kWaitsPerCycle && !lineLost_; ++wait) {
        if (WaitForFrame()) {
            const Kx2FrameType type = DecodeResponse();
            if (type == kKx2Complete) {
                return FinalAnswer::kComplete;
            }
            if (type == kKx2Cancel) {
                LogCancel();
                return FinalAnswer::kCancelled;
            }
            if (type == kKx2ResendList) {
                return SendFlaggedPackets() < 0 ? FinalAnswer::kCancelled : FinalAnswer::kResent;
            }
            LogUnknown(type);
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
        const FinalAnswer answer = RunFinalCycle();
        if (answer == FinalAnswer::kComplete || answer == FinalAnswer::kCancelled) {
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
        ShowBytes(UM_RX_BYTES, &value, 1);
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
    ShowBytes(UM_RX_BYTES, receiver_.Bytes().data(), receiver_.Bytes().size());
    FlushReceived();
    return complete;
}

int Kx2Uploader::ReadByte() {
    const int byte = port_.ReadByte();
    lineLost_ = lineLost_ || (byte < 0 && byte != kSerialNothingWaiting);
    if (byte >= 0 && serialLog_ != nullptr) {
        received_.push_back(static_cast<uint8_t>(byte));
    }
    return byte;
}

void Kx2Uploader::FlushReceived() {
    if (serialLog_ != nullptr && !received_.empty()) {
        serialLog_->Received(received_);
    }
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
    if (serialLog_ != nullptr) {
        serialLog_->Sent(frame_.Bytes());
    }
}

void Kx2Uploader::ShowBytes(NotificationCode code, const uint8_t* bytes, size_t count) {
    if (state_.showSerialData.load(std::memory_order_relaxed) != 1) {
        return;
    }
    Notification n(code, static_cast<int64_t>(count));
    n.bytes = std::span<const uint8_t>(bytes, count);
    window_.Send(n);
}

void Kx2Uploader::Notify(NotificationCode code, int64_t wParam) {
    Notification n(code, wParam);
    n.progress = &progress_;
    window_.Send(n);
}

void Kx2Uploader::LogCancel() {
    log_.PostLogLine(kLevelError, "CAUTION: KX2 canceled the session. Will Abort\n");
}

void Kx2Uploader::LogUnknown(Kx2FrameType type) {
    log_.PostLogLine(kLevelError, "ERROR: Unknown response (%d) from KX2\n",
                     static_cast<int>(type));
}

}  // namespace quillon
