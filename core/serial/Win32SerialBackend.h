// The SerialBackend on the Win32 communications API: COM ports (on-board, USB adapters), and
// under Wine a COM port that points at a pseudo-terminal. A port index names a device: one given
// with SetDevice, else \\.\COM<index + 1>. The handle is not overlapped; reads return at once
// with what is queued, and the wait for data watches the queue size, which behaves the same on
// Windows and under Wine. A line whose writes or status queries fail is dead: every later call
// fails with kSerialIoError until the port is opened again. Modem lines that the device does not
// have (a pseudo-terminal) are not a failure.
#pragma once

#include <cstdint>
#include <string>

#include "serial/PortTableBackend.h"

namespace quillon {

class Win32SerialBackend final : public PortTableBackend {
  public:
    Win32SerialBackend();

    static std::string DefaultDevicePath(int port);

    int ClearTransmitQueue(int port) override;
    int ClearReceiveQueue(int port) override;
    bool WaitForData(int port, uint32_t timeoutMs) override;

  private:
    int OpenDevice(int port, SerialPortSlots::Locked& slot, int rxQueue, int txQueue) override;
    // Bytes waiting in the receive queue, or -1 when the line cannot be asked (dead).
    int QueuedInput(int port);
    int ReadSome(int port, intptr_t h, uint8_t* buffer, int max) override;
    int WriteAll(int port, intptr_t h, const uint8_t* bytes, uint16_t count) override;
    bool ApplyRate(intptr_t handle, int bitsPerSecond) override;
    int SetModemLine(SerialPortSlots::Locked& open, ModemLine line, bool raise) override;
    int Purge(int port, uint32_t flags);
};

}  // namespace quillon
