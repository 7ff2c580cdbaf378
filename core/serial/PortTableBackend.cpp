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

int PortTableBackend::ReadByte(int port) {
    uint8_t byte = 0;
    const int got = ReadSome(port, &byte, 1);
    if (got == 1) {
        return byte;
    }
    return got == 0 ? kSerialNothingWaiting : got;
}

int PortTableBackend::ReadBlock(int port, uint8_t* buffer, int max) {
    if (buffer == nullptr || max < 1) {
        return 0;
    }
    return ReadSome(port, buffer, max);
}

}  // namespace quillon
