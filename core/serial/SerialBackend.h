// The byte-level serial operations the program needs, addressed by a 0-based port index. This is
// the one seam between the protocol engines and a line: production uses the system's backend
// (termios on POSIX, the Win32 comm calls on Windows), --simulate an in-process loopback to a
// simulated unit, unit tests a scripted fake. Results follow the old vendor library: negative
// values are errors (or "nothing waiting" for reads); callers of writes, clears and modem lines
// ignore them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon {

// Error codes of ResetPort and SetBaud. LastErrorText explains the latest one.
enum SerialError : int {
    kSerialNoSuchPort = -2,        // no device for that index, or it does not exist
    kSerialAccessDenied = -3,      // permission (the dialout group)
    kSerialPortBusy = -4,          // another program holds it
    kSerialNotATty = -5,           // the path is not a serial device
    kSerialBadBaud = -6,           // baud code the device refuses
    kSerialNotOpen = -7,           // operation on a port that is not open
    kSerialIoError = -8,           // the device failed or vanished
    kSerialNothingWaiting = -100,  // ReadByte: the receive queue is empty
};

// The commands of SetDtr and SetRts.
inline constexpr char kModemLineSet = 'S';
inline constexpr char kModemLineClear = 'C';

// SetBaud's codes (the old vendor library's) and the rates they stand for.
struct BaudCodeRate {
    int code;
    int bitsPerSecond;
};
inline constexpr BaudCodeRate kBaudCodes[] = {{2, 1200},  {3, 2400},  {4, 4800},  {5, 9600},
                                              {6, 19200}, {7, 38400}, {8, 57600}, {9, 115200}};

// The rate of a baud code; 0 for a code not in the table.
constexpr int BitsPerSecondOfCode(int code) {
    for (const BaudCodeRate& entry : kBaudCodes) {
        if (entry.code == code) {
            return entry.bitsPerSecond;
        }
    }
    return 0;
}

class SerialBackend {
  public:
    virtual ~SerialBackend() = default;

    virtual int ResetPort(int port, int rxQueue, int txQueue) = 0;  // open, with queue sizes
    virtual int SetBaud(int port, int baudCode) = 0;
    virtual int SetDtr(int port, char command) = 0;  // kModemLineSet or kModemLineClear
    virtual int SetRts(int port, char command) = 0;
    virtual int ClearTransmitQueue(int port) = 0;  // the two calls that discard pending data,
    virtual int ClearReceiveQueue(int port) = 0;   // always made together, first then second
    virtual int WriteBlock(int port, const uint8_t* bytes, uint16_t count) = 0;
    virtual int WriteByte(int port, uint8_t byte) = 0;
    // 0..255: the byte; negative: nothing waiting (kSerialNothingWaiting) or the line is gone.
    virtual int ReadByte(int port) = 0;
    // Number of bytes read into buffer; less than 1 means nothing.
    virtual int ReadBlock(int port, uint8_t* buffer, int max) = 0;
    virtual int ClosePort(int port) = 0;

    // True as soon as a byte is waiting, false after timeoutMs without one (or on a dead line).
    virtual bool WaitForData(int port, uint32_t timeoutMs) = 0;
    // A sentence for the technician about the latest failure on that port (empty if none).
    virtual std::string LastErrorText(int port) const = 0;

    // The device a port index stands for from now on; an empty path restores the default. A
    // backend with one fixed line (a simulated unit in this process) keeps its own.
    virtual void SetDevice(int port, const std::string& devicePath) {
        (void)port;
        (void)devicePath;
    }
    // The device the index opens, as a technician would name it (/dev/ttyUSB0, \\.\COM3).
    virtual std::string DevicePath(int port) const {
        (void)port;
        return {};
    }
};

}  // namespace quillon
