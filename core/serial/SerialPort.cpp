#include "serial/SerialPort.h"

namespace quillon {

namespace {

// Any rate without a baud code runs at this one.
constexpr int kFallbackRate = 19200;

const BaudCodeRate* FindRate(int rate) {
    for (const BaudCodeRate& entry : kBaudCodes) {
        if (entry.bitsPerSecond == rate) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

uint8_t SerialPort::BaudCode(int rate) {
    const BaudCodeRate* entry = FindRate(rate);
    return static_cast<uint8_t>(entry != nullptr ? entry->code : FindRate(kFallbackRate)->code);
}

int SerialPort::LineRate(int rate) {
    return FindRate(rate) != nullptr ? rate : kFallbackRate;
}

int SerialPort::OpenPort(uint8_t portIndex, uint8_t baudCode) {
    portIndex_ = portIndex;  // from the reset on, ClosePort must reach this port
    int result = backend_.ResetPort(portIndex, kRxQueueSize, kTxQueueSize);
    if (result < 0) {
        return result;
    }
    result = backend_.SetBaud(portIndex, baudCode);
    if (result < 0) {
        return result;
    }
    backend_.SetDtr(portIndex, kModemLineSet);
    backend_.SetRts(portIndex, kModemLineSet);
    return 0;
}

void SerialPort::ClearPending() {
    backend_.ClearTransmitQueue(portIndex_);
    backend_.ClearReceiveQueue(portIndex_);
}

}  // namespace quillon
