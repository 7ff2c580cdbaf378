// Opens and configures one serial port over a SerialBackend and then stands for it: the workers
// and the serial text view read and write through this object with its port index. OpenPort
// returns the backend's negative error code unchanged and does nothing more after a refusal.
#pragma once

#include <array>
#include <cstdint>

#include "platform/Clock.h"
#include "serial/SerialBackend.h"

namespace quillon {

class SerialPort : public Waitable {
  public:
    static constexpr int kRxQueueSize = 2048;
    static constexpr int kTxQueueSize = 1024;
    // The rates the program offers a technician, slowest first.
    static constexpr int kOfferedRates[] = {9600, 14400, 19200, 28800, 38400, 57600, 115200};

    explicit SerialPort(SerialBackend& backend) : backend_(backend) {}
    ~SerialPort() override = default;

    // 1200->2, 2400->3, 4800->4, 9600->5, 19200->6, 38400->7, 57600->8, 115200->9, else 6.
    static uint8_t BaudCode(int rate);
    // The rate the line really runs at when `rate` is asked for: the rate of its baud code
    // (19200 for a rate without one, such as 14400 or 28800).
    static int LineRate(int rate);

    // 0 on success, else the backend's negative code.
    int OpenPort(uint8_t portIndex, uint8_t baudCode);

    uint8_t PortIndex() const { return portIndex_; }
    SerialBackend& Backend() { return backend_; }

    // Thin pass-throughs with the stored index.
    void ClearPending();  // both clearing calls, in their order
    int WriteBlock(const uint8_t* bytes, uint16_t count) {
        return backend_.WriteBlock(portIndex_, bytes, count);
    }
    int WriteByte(uint8_t byte) { return backend_.WriteByte(portIndex_, byte); }
    int ReadByte() { return backend_.ReadByte(portIndex_); }
    int ReadBlock(uint8_t* buffer, int max) { return backend_.ReadBlock(portIndex_, buffer, max); }
    int ClosePort() { return backend_.ClosePort(portIndex_); }
    bool WaitReadable(uint32_t realMs) override { return backend_.WaitForData(portIndex_, realMs); }

  private:
    SerialBackend& backend_;
    uint8_t portIndex_ = 0;
};

}  // namespace quillon
