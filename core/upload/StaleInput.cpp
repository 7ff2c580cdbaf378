#include "upload/StaleInput.h"

namespace quillon {

bool DropStaleInput(SerialPort& port, Clock& clock, std::vector<uint8_t>* dropped) {
    const uint32_t start = clock.TickCount();
    uint8_t block[kStaleReadBlock];
    for (;;) {
        // A flooding unit is drained a block a read; the last read byte by byte says whether
        // the queue is empty or the line gone.
        for (int got; (got = port.ReadBlock(block, kStaleReadBlock)) > 0;) {
            dropped->insert(dropped->end(), block, block + got);
        }
        const int byte = port.ReadByte();
        if (byte >= 0) {  // more came after the last block
            dropped->push_back(static_cast<uint8_t>(byte));
            continue;
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
