// What the system serial backends share above their OS calls: the table of port slots (device
// names, handles, failure sentences), the byte-sized reads and writes made of the block calls, and
// the checks and failure sentences of the rate and the modem lines. An OS backend adds opening a
// port, applying a rate or a modem line, block reads and writes, clears and waits.
#pragma once

#include <cstdint>
#include <string>

#include "serial/SerialBackend.h"
#include "serial/SerialPortSlots.h"

namespace quillon {

class PortTableBackend : public SerialBackend {
  public:
    static constexpr int kMaxPorts = SerialPortSlots::kMaxPorts;

    ~PortTableBackend() override = default;  // closes every port still open
    PortTableBackend(const PortTableBackend&) = delete;
    PortTableBackend& operator=(const PortTableBackend&) = delete;

    // The device an index stands for from now on; an empty path restores the default.
    void SetDevice(int port, const std::string& devicePath) override;
    std::string DevicePath(int port) const override;
    std::string LastErrorText(int port) const override;
    // Idempotent. The owner closes a port once its own reads and writes have ended.
    int ClosePort(int port) override;
    int WriteByte(int port, uint8_t byte) override;
    int ReadByte(int port) override;
    int ReadBlock(int port, uint8_t* buffer, int max) override;
    // kSerialNotOpen or kSerialIoError at once on a closed or dead port; else whole, under the
    // port's write lock, so a keystroke never lands inside a block.
    int WriteBlock(int port, const uint8_t* bytes, uint16_t count) final;
    // Closes what is open on the port, then opens its device afresh.
    int ResetPort(int port, int rxQueue, int txQueue) final;
    // kSerialBadBaud, with its sentence, for a code not in kBaudCodes or a rate the device refuses.
    int SetBaud(int port, int baudCode) final;
    int SetDtr(int port, char command) final;
    int SetRts(int port, char command) final;

  protected:
    enum class ModemLine { kDtr, kRts };
    explicit PortTableBackend(SerialPortSlots::Os os) : slots_(os) {}
    // On an open, live port: bytes read (at least 1), 0 when nothing is waiting, or a negative
    // code.
    virtual int ReadSome(int port, intptr_t handle, uint8_t* buffer, int max) = 0;
    // On an open, live port, under its write lock: bytes written, or a negative code.
    virtual int WriteAll(int port, intptr_t handle, const uint8_t* bytes, uint16_t count) = 0;
    // A line that takes no more bytes: says so, and returns what was written.
    int Stuck(int port, int written);
    // Opens the slot's device (slot.DevicePath()) raw and hands its handle to slot.Opened; else
    // returns slot.Fail with the technician's sentence.
    virtual int OpenDevice(int port, SerialPortSlots::Locked& slot, int rxQueue, int txQueue) = 0;
    // Runs the open device at that rate; false when it refuses.
    virtual bool ApplyRate(intptr_t handle, int bitsPerSecond) = 0;
    // Raises or lowers one modem line: 0, or the failure recorded through `open`. A device
    // without modem lines (a pseudo-terminal) is no failure.
    virtual int SetModemLine(SerialPortSlots::Locked& open, ModemLine line, bool raise) = 0;

    SerialPortSlots slots_;  // closes every port still open when the backend goes

  private:
    int ControlLine(int port, char command, ModemLine line);
    // The handle of an open, live port in *handle and 0; else the code a read or write returns.
    int LiveHandle(int port, intptr_t* handle) const;
    int Read(int port, uint8_t* buffer, int max);
};

}  // namespace quillon
