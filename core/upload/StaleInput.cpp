#include "upload/StaleInput.h"

namespace quillon {

bool DropStaleInput(SerialPort& port, Clock& clock, std::vector<uint8_t>* dropped) {
    const uint32_t start = clock.TickCount();
    for (;;) {
        int byte = port.ReadByte();
        for (; byte >= 0; byte = port.ReadByte()) {
            dropped->push_back(static_cast<uint8_t>(byte));
        }
        if (byte != kSerialNothingWaiting) {
            return false;
        }
        if (clock.TickCount() - start >= kStaleDrainLimitMs ||
            !clock.WaitFor(port, kStaleQuietMs)) {
            return true;
        }
    }
}

}  // namespace quillon
