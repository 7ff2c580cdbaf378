#include "firmware/WavFile.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/ReadOnlyFile.h"

namespace quillon {

namespace {

constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kRiffHeaderSize = 12;
constexpr std::size_t kFmtByteRateOffset = 8;
constexpr std::size_t kFmtMinimumSize = 16;
constexpr uint64_t kMillisPerSecond = 1000;
// A sound longer than a day is not a notification sound; refusing it keeps the wait bounded.
constexpr uint64_t kLongestSoundMs = 24ull * 60 * 60 * 1000;
constexpr int kMaxChunks = 64;

uint32_t LittleEndian32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

bool ReadExactly(ReadOnlyFile& in, uint8_t* dest, std::size_t count) {
    bool failed = false;
    return in.Read(dest, count, &failed) == count;
}

}  // namespace

std::optional<uint32_t> WavDurationMs(const std::string& path) {
    ReadOnlyFile in;
    uint64_t fileSize = 0;
    if (!in.Open(path, &fileSize)) {
        return std::nullopt;
    }

    std::array<uint8_t, kRiffHeaderSize> riff{};
    if (!ReadExactly(in, riff.data(), riff.size()) || std::memcmp(riff.data(), "RIFF", 4) != 0 ||
        std::memcmp(riff.data() + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    uint64_t position = kRiffHeaderSize;
    uint32_t byteRate = 0;
    for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
        std::array<uint8_t, kChunkHeaderSize> header{};
        if (!ReadExactly(in, header.data(), header.size())) {
            return std::nullopt;
        }
        position += kChunkHeaderSize;
        const uint32_t size = LittleEndian32(header.data() + 4);
        if (std::memcmp(header.data(), "fmt ", 4) == 0) {
            if (size < kFmtMinimumSize) {
                return std::nullopt;
            }
            std::array<uint8_t, kFmtMinimumSize> format{};
            if (!ReadExactly(in, format.data(), format.size())) {
                return std::nullopt;
            }
            byteRate = LittleEndian32(format.data() + kFmtByteRateOffset);
        } else if (std::memcmp(header.data(), "data", 4) == 0) {
            if (byteRate == 0) {
                return std::nullopt;
            }
            // A header that claims more than the file holds plays only what is there.
            const uint64_t present = fileSize > position ? fileSize - position : 0;
            const uint64_t bytes = std::min<uint64_t>(size, present);
            const uint64_t ms = (bytes * kMillisPerSecond + byteRate - 1) / byteRate;
            if (ms > kLongestSoundMs) {
                return std::nullopt;
            }
            return static_cast<uint32_t>(ms);
        }
        position += size + (size & 1u);
        if (position > fileSize || !in.Seek(position)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace quillon
