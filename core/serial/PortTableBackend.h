// What the system serial backends share above their OS calls: the table of port slots (device
// names, handles, failure sentences) and the byte-sized reads and writes made of the block calls.
// An OS backend adds opening and configuring a port, block reads and writes, clears and waits.
#pragma once

#include <cstdint>
#include <string>

#include "serial/SerialBackend.h"
#include "serial/SerialPortSlots.h"

namespace quillon {

class PortTableBackend : public SerialBackend {
  public:
    static constexpr int kMaxPorts = SerialPortSlots::kMaxPorts;

    // The device an index stands for from now on; an empty path restores the default.
    void SetDevice(int port, const std::string& devicePath) override;
    std::string DevicePath(int port) const override;
    std::string LastErrorText(int port) const override;
    // Idempotent. The owner closes a port once its own reads and writes have ended.
    int ClosePort(int port) override;
    int WriteByte(int port, uint8_t byte) override;
    int ReadByte(int port) override;
    int ReadBlock(int port, uint8_t* buffer, int max) override;

  protected:
    explicit PortTableBackend(SerialPortSlots::Os os) : slots_(os) {}
    // Bytes read (at least 1), 0 when nothing is waiting, or a negative code.
    virtual int ReadSome(int port, uint8_t* buffer, int max) = 0;

    SerialPortSlots slots_;  // closes every port still open when the backend goes
};

}  // namespace quillon
