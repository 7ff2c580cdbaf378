// The serial terminal: a line to the unit, read on a thread of its own; what the unit sends goes
// to the view as text as it arrives, each key typed goes out as one byte. The desktop's serial
// text view and `quillon7-cli terminal` both use it; neither starts a thread of its own.
// Open reports a port that will not open with the serial backend's reason; a line that goes dead
// while it is read ends the reader with a LineLost. The destructor stops the reader and waits for
// it: a view whose events reach it on a thread the reader waits for (the desktop's UI thread)
// stops it, detaches its sink and waits only once Ended().
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "platform/Clock.h"
#include "serial/PortName.h"
#include "serial/SerialBackend.h"
#include "serial/SerialPort.h"

namespace quillon {

class TerminalSink {
  public:
    virtual ~TerminalSink() = default;
    // What one read took from the line, bytes as they came (zero bytes too). Called on the
    // reader's thread; the text is valid only during the call.
    virtual void OnText(std::string_view text) = 0;
    // The line went dead (a cable pulled); the reader has ended.
    virtual void OnLineLost() = 0;
};

class TerminalSession {
  public:
    static constexpr int kReadLimit = 4094;  // what one read asks the line for at most
    static constexpr uint32_t kPollMs = 100;

    TerminalSession(Clock& clock, std::shared_ptr<SerialBackend> line);
    ~TerminalSession();
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    // Opens the port (number 1 to 256, device as chosen) at that rate; false with the serial
    // backend's sentence in *reason (may be empty) when it will not open.
    bool Open(const PortName& port, int baudRate, std::string* reason);
    // The device of the port, as a technician names it.
    const std::string& DevicePath() const { return device_; }
    bool IsOpen() const { return open_.load(); }

    // The reader thread, its text to sink (kept until the reader has ended). Once, after Open.
    void StartReading(std::shared_ptr<TerminalSink> sink);
    // One byte to the unit (a key typed); ignored when the port is not open. Any thread.
    void Send(uint8_t byte);

    // Asks the reader to stop; it closes the port as it ends.
    void Stop();
    bool Ended() const { return !reader_.joinable() || ended_.load(); }
    // Joins the reader. Never on a thread the reader's events wait for.
    void Wait();

  private:
    void ReadLoop();

    Clock& clock_;
    std::shared_ptr<SerialBackend> line_;
    SerialPort port_;
    std::shared_ptr<TerminalSink> sink_;
    std::string device_;
    std::array<char, kReadLimit> text_{};  // one read
    std::atomic<bool> open_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> ended_{false};
    std::thread reader_;
};

}  // namespace quillon
