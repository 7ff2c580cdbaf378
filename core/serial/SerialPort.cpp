#include "serial/SerialPort.h"

namespace quillon {

namespace {

struct BaudEntry {
    int rate;
    uint8_t code;
};

// The rates the backend has a code for; any other rate gets the code of kFallbackRate.
constexpr BaudEntry kBaudCodes[] = {{1200, 2},  {2400, 3},  {4800, 4},  {9600, 5},
                                    {19200, 6}, {38400, 7}, {57600, 8}, {115200, 9}};
constexpr int kFallbackRate = 19200;

const BaudEntry* FindRate(int rate) {
    for (const BaudEntry& entry : kBaudCodes) {
        if (entry.rate == rate) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

uint8_t SerialPort::BaudCode(int rate) {
    const BaudEntry* entry = FindRate(rate);
    return entry != nullptr ? entry->code : FindRate(kFallbackRate)->code;
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
