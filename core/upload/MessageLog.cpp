#include "upload/MessageLog.h"

#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "platform/FileSystem.h"
#include "records/LogFileHeader.h"

namespace quillon {

namespace {

constexpr const char* kLogFilePrefix = "Quillon_LogMsg_";
constexpr size_t kTextArea = 4096;
static_assert(MessageLog::kMaxText < kTextArea);
// Texts of one character ("\n", " ") are layout, not messages, and carry no time stamp.
constexpr size_t kShortestStampedText = 2;
constexpr size_t kRuleLength = 78;

const std::string& Rule() {
    static const std::string rule = std::string(kRuleLength, '-') + "\n";
    return rule;
}

}  // namespace

MessageLog::~MessageLog() {
    Close();
}

void MessageLog::PostLogLine(int level, const char* format, ...) {
    if (format == nullptr) {
        return;
    }
    std::array<char, kTextArea> text{};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text.data(), kMaxText + 1, format, args);
    va_end(args);

    events_.Send(event::LogLine{level, text.data()});
    WriteLogLine(text.data());
}

bool MessageLog::OpenRunLogs(SerialPort& port, const UploadJob& job, SerialDataLog* serialLog) {
    SetLine(port, job);
    if (serialLog != nullptr) {
        NoteRecordWritten(events_, serialLog->Open(), RunRecord::kSerialLog, serialLog->FilePath());
    }
    return OpenMessageLog();
}

void MessageLog::SetLine(SerialPort& port, const UploadJob& job) {
    device_ = port.Backend().DevicePath(port.PortIndex());
    if (device_.empty()) {
        device_ = "port " + std::to_string(job.portNumber);
    }
    baudRate_ = SerialPort::LineRate(job.baudRate);
    simulatedUnit_ = job.simulatedUnit;
}

void MessageLog::WriteLogLine(const char* text) {
    if (!logMessages_ || file_ == nullptr || text == nullptr) {
        return;
    }
    if (std::strlen(text) >= kShortestStampedText) {
        LocalTime now = clock_.Now();
        std::fprintf(file_, "%02d:%02d:%02d %s", now.hour, now.minute, now.second, text);
    } else {
        std::fputs(text, file_);
    }
    // Flushed line by line so the file can be read while the run goes on, and a crash keeps
    // everything up to the last line.
    std::fflush(file_);
}

bool MessageLog::OpenMessageLog() {
    Close();
    if (!logMessages_) {
        PostLogLine(kLevelPrep, "Prep 1: Log Messages Disabled!  Won't create log file\n");
        return true;
    }
    const LocalTime now = clock_.Now();
    const std::string folder = LogsFolder(appDir_);
    // An existing folder is fine; any other failure shows up as the open failure below.
    fs::MakeDirectory(folder);
    file_ = CreateDatedLog(folder, kLogFilePrefix, now, &filePath_);
    if (file_ == nullptr) {
        const std::string why = std::strerror(errno);
        PostLogLine(kLevelError, "Prep 1: FAILED; to open log file (%s)\n\n", filePath_.c_str());
        events_.Send(event::RecordLost{RunRecord::kMessageLog, filePath_, why});
        return false;
    }
    WriteLogFileHeader(file_, now);
    if (!device_.empty()) {
        std::fprintf(file_, "Port: %s, %d bps\n", device_.c_str(), baudRate_);
    }
    if (simulatedUnit_) {
        std::fputs("Unit: simulated, no hardware\n", file_);
    }
    std::fputs(Rule().c_str(), file_);
    std::fputs("\n", file_);
    std::fflush(file_);
    PostLogLine(kLevelPrep, "Prep 1: Success; Open log file (%s)\n\n", filePath_.c_str());
    events_.Send(event::MessageLogOpened{filePath_});
    return true;
}

void MessageLog::WriteBanner(const std::string& title) {
    if (!logMessages_ || file_ == nullptr) {
        return;
    }
    std::fputs("\n", file_);
    std::fputs(Rule().c_str(), file_);
    std::fputs(title.c_str(), file_);
    std::fputs(Rule().c_str(), file_);
    std::fputs("\n", file_);
    std::fflush(file_);
}

void MessageLog::WriteFileBanner(const std::string& kindName, const std::string& path) {
    WriteBanner("+-+-+-+-+  Begin Upload; " + kindName + " File " + path + "\n");
}

void MessageLog::WriteKx2Banner(const std::string& path) {
    WriteBanner("+-+-+-+-+  Begin Upload File " + path + "\n");
}

void MessageLog::Close() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

}  // namespace quillon
