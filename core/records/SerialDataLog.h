// With "Log Serial Data" on, every byte a run sends and receives goes into
// Logs/Quillon_LogSerial_HHMMSS_MMDDYYYY.txt as time-stamped hex lines. Best effort: a log that
// cannot be made or written is skipped silently and never stops the run.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "platform/Clock.h"

namespace quillon {

class SerialDataLog {
  public:
    static constexpr size_t kBytesPerLine = 32;

    SerialDataLog(Clock& clock, std::string appDir) : clock_(clock), appDir_(std::move(appDir)) {}
    ~SerialDataLog();  // closes the file when still open
    SerialDataLog(const SerialDataLog&) = delete;
    SerialDataLog& operator=(const SerialDataLog&) = delete;

    // Creates (or appends to) the log named from the clock's local time and writes its header.
    bool Open();
    // One entry per chunk: "HH:MM:SS.mmm TX  05 05 01 32", 32 bytes a line, further lines
    // indented under the first byte. Nothing is written for an empty chunk or a closed log.
    void Sent(std::span<const uint8_t> bytes) { WriteChunk("TX", bytes); }
    void Received(std::span<const uint8_t> bytes) { WriteChunk("RX", bytes); }
    void Close();

    bool IsOpen() const { return file_ != nullptr; }
    const std::string& FilePath() const { return filePath_; }

  private:
    void WriteChunk(const char* direction, std::span<const uint8_t> bytes);
    // "HH:MM:SS.mmm": the local time at Open moved on by the clock's ticks since then, so the
    // milliseconds are as fine as the tick count and the seconds agree with the local time.
    std::string TimeText();

    Clock& clock_;
    std::string appDir_;
    std::FILE* file_ = nullptr;
    std::string filePath_;
    LocalTime openedAt_;
    uint32_t openedTick_ = 0;
};

}  // namespace quillon
