#include "serial/SerialPort.h"

namespace quillon {

uint8_t SerialPort::BaudCode(int rate) {
    switch (rate) {
        case 1200:
            return 2;
        case 2400:
            return 3;
        case 4800:
            return 4;
        case 9600:
            return 5;
        case 19200:
            return 6;
        case 38400:
            return 7;
        case 57600:
            return 8;
        case 115200:
            return 9;
        default:
            return 6;
    }
}

int SerialPort::OpenPort(uint8_t portIndex, uint8_t baudCode) {
    portIndex_ = portIndex;  // from the reset on, ClosePort must reach this port
    int result = library_.ResetPort(portIndex, kRxQueueSize, kTxQueueSize);
    if (result < 0) {
        return result;
    }
    result = library_.SetBaud(portIndex, baudCode);
    if (result < 0) {
        return result;
    }
    library_.SetDtr(portIndex, kModemLineSet);
    library_.SetRts(portIndex, kModemLineSet);
    return 0;
}

void SerialPort::ClearPending() {
    library_.ClearTransmitQueue(portIndex_);
    library_.ClearReceiveQueue(portIndex_);
}

}  // namespace quillon
