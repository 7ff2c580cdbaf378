// Every log line of an upload run goes two ways: to the view as a LogLine event and, with
// "Log Messages" on, into the run's dated message log Logs/Quillon_LogMsg_HHMMSS_MMDDYYYY.txt
// (with "_2" ... when another run took that name in the same second: each run has its own).
// A log file that cannot be made does not stop the run; lines still reach the view.
#pragma once

#include <cstdio>
#include <string>

#include "platform/Clock.h"
#include "records/SerialDataLog.h"
#include "serial/SerialPort.h"
#include "upload/UploadJob.h"

namespace quillon {

class MessageLog {
  public:
    static constexpr size_t kMaxText = 4093;

    MessageLog(EventSink& events, Clock& clock, std::string appDir)
        : events_(events), clock_(clock), appDir_(std::move(appDir)) {}
    ~MessageLog();  // closes the file when still open
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    void SetLogMessages(bool on) { logMessages_ = on; }
    // The line of the run, for the header: the device the port opened (or "port N"), the rate
    // the line runs at, and whether the unit is the simulated one.
    void SetLine(SerialPort& port, const UploadJob& job);
    bool LogMessages() const { return logMessages_; }

    // Formats (printf rules, at most kMaxText characters), sends it as a LogLine, then
    // WriteLogLine.
    void PostLogLine(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
    // Appends to the file: "HH:MM:SS text" for texts of two or more characters, else as is.
    void WriteLogLine(const char* text);
    // Creates the run's log file and its header, then sends MessageLogOpened with its path;
    // false (after RecordLost saying why) when it could not be opened.
    bool OpenMessageLog();
    // A run's records at its start: the line named (SetLine), the serial-data log when one is
    // given (best effort: one that cannot be made is reported as a lost record), then the
    // message log (OpenMessageLog's result).
    bool OpenRunLogs(SerialPort& port, const UploadJob& job, SerialDataLog* serialLog);
    // The banner before each file: kind name and path ("Begin Upload; COMM File ...").
    void WriteFileBanner(const std::string& kindName, const std::string& path);
    // The KX2 banner ("Begin Upload File ...").
    void WriteKx2Banner(const std::string& path);
    void Close();

    bool IsOpen() const { return file_ != nullptr; }
    const std::string& FilePath() const { return filePath_; }

  private:
    // An empty line, a rule, the title line, a rule, an empty line.
    void WriteBanner(const std::string& title);

    EventSink& events_;
    Clock& clock_;
    std::string appDir_;
    bool logMessages_ = true;
    std::FILE* file_ = nullptr;
    std::string filePath_;
    std::string device_;
    int baudRate_ = 0;
    bool simulatedUnit_ = false;
};

}  // namespace quillon
