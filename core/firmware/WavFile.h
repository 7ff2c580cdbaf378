// Reads how long a WAV sound plays from its RIFF header, so a caller that must wait until a sound
// has ended can wait that long without trusting a player's signals. A file that is missing, not
// RIFF/WAVE, or lacks a usable "fmt " or "data" chunk gives no duration.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillon {

// Milliseconds of sound in the file's data chunk (byte count over the byte rate, rounded up),
// at most the bytes actually present; nullopt when the header cannot be used.
std::optional<uint32_t> WavDurationMs(const std::string& path);

}  // namespace quillon
