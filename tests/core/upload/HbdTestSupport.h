// Shared pieces of the HBD engine tests: firmware-shaped files with reproducible content, the
// bytes the unit should end up with, and a sink that lets a test act on a notification.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "protocol/Boards.h"
#include "protocol/HbdControlPacket.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TempDir.h"

namespace quillon::test {

inline std::string PatternBytes(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return bytes;
}

// What the unit must receive from a file: from 32 KiB on for boards, padded to whole packets.
inline std::vector<uint8_t> ExpectedImage(const std::string& file, FileKind kind) {
    const size_t from = static_cast<size_t>(FindBoard(kind)->keptOnHost);
    std::vector<uint8_t> image(file.begin() + static_cast<std::ptrdiff_t>(from), file.end());
    while (image.size() % hbd::kPayloadSize != 0) {
        image.push_back(hbd::kPadByte);
    }
    return image;
}

}  // namespace quillon::test
