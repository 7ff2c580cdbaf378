#include "records/SerialDataLog.h"

#include <algorithm>
#include <array>

#include "platform/FileSystem.h"
#include "records/LogFileHeader.h"
#include "text/TextFormat.h"

namespace quillon {

namespace {

constexpr const char* kSerialLogPrefix = "Quillon_LogSerial_";
constexpr uint64_t kMsPerSecond = 1000;
constexpr uint64_t kSecondsPerMinute = 60;
constexpr uint64_t kSecondsPerHour = 3600;
constexpr uint64_t kMsPerDay = 24 * kSecondsPerHour * kMsPerSecond;
// "HH:MM:SS.mmm TX  ": continuation lines start under the first byte.
constexpr size_t kPrefixWidth = 17;

}  // namespace

SerialDataLog::~SerialDataLog() {
    Close();
}

bool SerialDataLog::Open() {
    Close();
    openedAt_ = clock_.Now();
    openedTick_ = clock_.TickCount();
    const std::string folder = LogsFolder(appDir_);
    fs::MakeDirectory(folder);
    file_ = CreateDatedLog(folder, kSerialLogPrefix, openedAt_, &filePath_);
    if (file_ == nullptr) {
        return false;
    }
    WriteLogFileHeader(file_, openedAt_);
    std::fflush(file_);
    return true;
}

std::string SerialDataLog::TimeText() {
    // Unsigned subtraction keeps working across the 32-bit tick wrap.
    const uint32_t elapsed = clock_.TickCount() - openedTick_;
    const uint64_t openedMs = (static_cast<uint64_t>(openedAt_.hour) * kSecondsPerHour +
                               static_cast<uint64_t>(openedAt_.minute) * kSecondsPerMinute +
                               static_cast<uint64_t>(openedAt_.second)) *
                              kMsPerSecond;
    const uint64_t ms = (openedMs + elapsed) % kMsPerDay;
    const uint64_t seconds = ms / kMsPerSecond;
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%02u:%02u:%02u.%03u",
                  static_cast<unsigned>(seconds / kSecondsPerHour),
                  static_cast<unsigned>(seconds % kSecondsPerHour / kSecondsPerMinute),
                  static_cast<unsigned>(seconds % kSecondsPerMinute),
                  static_cast<unsigned>(ms % kMsPerSecond));
    return text.data();
}

void SerialDataLog::WriteChunk(const char* direction, std::span<const uint8_t> bytes) {
    if (file_ == nullptr || bytes.empty()) {
        return;
    }
    std::string text = TimeText() + " " + direction + "  ";
    for (size_t at = 0; at < bytes.size(); at += kBytesPerLine) {
        if (at > 0) {
            text += std::string(kPrefixWidth, ' ');
        }
        std::string line =
            HexBytes(bytes.subspan(at, std::min(kBytesPerLine, bytes.size() - at)), " ");
        line.back() = '\n';
        text += line;
    }
    std::fputs(text.c_str(), file_);
    std::fflush(file_);
}

void SerialDataLog::Close() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

}  // namespace quillon
