// The SerialBackend on POSIX termios: real serial devices (USB adapters, on-board ports) and
// pseudo-terminals. A port index names a device path: one given with SetDevice, else the
// platform default for that index (index 0 is /dev/ttyS0). Ports are opened non-blocking and
// locked (flock + TIOCEXCL), raw 8N1 without flow control. A vanished device makes every call
// fail with kSerialIoError; nothing blocks longer than its own time-out.
#pragma once

#include <cstdint>
#include <string>

#include "serial/PortTableBackend.h"

namespace quillon {

class PosixSerialBackend final : public PortTableBackend {
  public:
    PosixSerialBackend();

    static std::string DefaultDevicePath(int port);

    int ClearTransmitQueue(int port) override;
    int ClearReceiveQueue(int port) override;
    // False at once on a closed or dead port, so a caller's wait loop must keep its own time
    // budget rather than count on this call to pass the time.
    bool WaitForData(int port, uint32_t timeoutMs) override;

  private:
    int OpenDevice(int port, SerialPortSlots::Locked& slot, int rxQueue, int txQueue) override;
    int Fd(int port) const { return static_cast<int>(slots_.Handle(port)); }
    // Waits until the output queue is empty, as long as the line needs for it; false when it
    // is still not empty then.
    bool DrainOutput(int port);
    int ReadSome(int port, intptr_t handle, uint8_t* buffer, int max) override;
    int WriteAll(int port, intptr_t handle, const uint8_t* bytes, uint16_t count) override;
    bool ApplyRate(intptr_t handle, int bitsPerSecond) override;
    int SetModemLine(SerialPortSlots::Locked& open, ModemLine line, bool raise) override;
    int Flush(int port, int queue);
};

}  // namespace quillon
