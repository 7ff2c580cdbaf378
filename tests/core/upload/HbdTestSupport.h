// Shared pieces of the HBD engine tests: firmware-shaped files with reproducible content, the
// bytes the unit should end up with, and a sink that lets a test act on a notification.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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
inline std::vector<uint8_t> ExpectedImage(const std::string& file, int kind) {
    const size_t from = kind == 3 ? 0 : static_cast<size_t>(hbd::kBoardImageOffset);
    std::vector<uint8_t> image(file.begin() + static_cast<std::ptrdiff_t>(from), file.end());
    while (image.size() % hbd::kPayloadSize != 0) {
        image.push_back(hbd::kPadByte);
    }
    return image;
}

class HookSink : public RecordingSink {
  public:
    std::function<void(const Notification&)> hook;
    void Send(const Notification& n) override {
        RecordingSink::Send(n);
        if (hook) {
            hook(n);
        }
    }
    bool HasLine(const std::string& text) const {
        const auto lines = LogLines();
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }
};

}  // namespace quillon::test
