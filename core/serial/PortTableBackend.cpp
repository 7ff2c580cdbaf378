#include "serial/PortTableBackend.h"

namespace quillon {

void PortTableBackend::SetDevice(int port, const std::string& devicePath) {
    slots_.SetDevice(port, devicePath);
}

std::string PortTableBackend::DevicePath(int port) const {
    return slots_.DevicePath(port);
}

std::string PortTableBackend::LastErrorText(int port) const {
    return slots_.LastErrorText(port);
}

int PortTableBackend::ClosePort(int port) {
    return slots_.Close(port);
}

int PortTableBackend::WriteByte(int port, uint8_t byte) {
    const int written = WriteBlock(port, &byte, 1);
    if (written == 1) {
        return 0;
    }
    return written < 0 ? written : kSerialIoError;
}

int PortTableBackend::LiveHandle(int port, intptr_t* handle) const {
    *handle = slots_.Handle(port);
    if (*handle == SerialPortSlots::kClosed) {
        return kSerialNotOpen;
    }
    return slots_.Dead(port) ? kSerialIoError : 0;
}

int PortTableBackend::WriteBlock(int port, const uint8_t* bytes, uint16_t count) {
    intptr_t handle = 0;
    if (const int code = LiveHandle(port, &handle); code != 0) {
        return code;
    }
    if (bytes == nullptr || count == 0) {
        return 0;
    }
    std::lock_guard writeLock(slots_.WriteMutex(port));
    return WriteAll(port, handle, bytes, count);
}

int PortTableBackend::Stuck(int port, int written) {
    slots_.Fail(
        port, kSerialIoError,
        slots_.DevicePath(port) + " does not take any more bytes: check the cable/adapter.");
    return written;
}

int PortTableBackend::Read(int port, uint8_t* buffer, int max) {
    intptr_t handle = 0;
    const int code = LiveHandle(port, &handle);
    return code != 0 ? code : ReadSome(port, handle, buffer, max);
}

int PortTableBackend::ReadByte(int port) {
    uint8_t byte = 0;
    const int got = Read(port, &byte, 1);
    if (got == 1) {
        return byte;
    }
    return got == 0 ? kSerialNothingWaiting : got;
}

int PortTableBackend::ReadBlock(int port, uint8_t* buffer, int max) {
    if (buffer == nullptr || max < 1) {
        return 0;
    }
    return Read(port, buffer, max);
}

int PortTableBackend::ResetPort(int port, int rxQueue, int txQueue) {
    int code = 0;
    auto slot = slots_.Lock(port, &code);
    if (!slot) {
        return code;
    }
    slot->Close();
    return OpenDevice(port, *slot, rxQueue, txQueue);
}

int PortTableBackend::SetBaud(int port, int baudCode) {
    int code = 0;
    auto open = slots_.LockOpen(port, &code);
    if (!open) {
        return code;
    }
    const int bitsPerSecond = BitsPerSecondOfCode(baudCode);
    if (bitsPerSecond == 0) {
        return open->Fail(kSerialBadBaud,
                          "Baud code " + std::to_string(baudCode) +
                              " is unknown: choose a baud rate from 1200 to 115200.");
    }
    if (!ApplyRate(open->Handle(), bitsPerSecond)) {
        return open->Fail(kSerialBadBaud, open->DevicePath() + " refused " +
                                              std::to_string(bitsPerSecond) +
                                              " baud: choose another baud rate.");
    }
    slots_.SetBitsPerSecond(port, bitsPerSecond);
    return 0;
}

int PortTableBackend::SetDtr(int port, char command) {
    return ControlLine(port, command, ModemLine::kDtr);
}

int PortTableBackend::SetRts(int port, char command) {
    return ControlLine(port, command, ModemLine::kRts);
}

int PortTableBackend::ControlLine(int port, char command, ModemLine line) {
    int code = 0;
    auto open = slots_.LockOpen(port, &code);
    if (!open) {
        return code;
    }
    if (command != kModemLineSet && command != kModemLineClear) {
        return open->Fail(kSerialIoError,
                          std::string("Unknown modem-line command '") + command + "'.");
    }
    return SetModemLine(*open, line, command == kModemLineSet);
}

}  // namespace quillon
