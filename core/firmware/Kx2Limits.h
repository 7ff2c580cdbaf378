// What a KX2 unit can take, checked before anything is sent: by the start checks (so a file the
// unit cannot take is refused before the port opens) and again by the uploader, which reads the
// settings itself. The old program's fixed tables and buffers set these limits:
//   - "Max Packet Size" 11 to 4096 (no payload, or a frame larger than the unit's buffer);
//   - "Delay Between Packets" 0 to 65535 ms (16 bits in the start request; a negative pause would
//     never end);
//   - a file that is not empty (nothing to announce);
//   - a name and extension of at most 49 characters (the unit's name field; a name is never cut,
//     since a cut name would load under a wrong one);
//   - at most 5000 packets (the unit's packet table; files of 4 GiB and more land here too).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillon {

inline constexpr int32_t kKx2MaxPackets = 5000;

struct Kx2Refusal {
    std::string logLine;      // "ERROR: ...; upload refused\n", for the message log
    std::string historyText;  // the history's ERROR = text, e.g. "File is empty"
    std::string detail;       // one sentence with the numbers, for the error dialog
};

// Packets a file of that length needs with that "Max Packet Size" (0 when it leaves no payload).
uint64_t Kx2PacketsFor(uint64_t fileLength, int32_t maxPacketSize);

// The first limit the file breaks, or nullopt when the unit can take it. name: the file's name
// and extension, as the start request carries it.
std::optional<Kx2Refusal> CheckKx2Limits(uint64_t fileLength, const std::string& name,
                                         int32_t maxPacketSize, int32_t delayMs);

}  // namespace quillon
