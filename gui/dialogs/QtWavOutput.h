// Plays one WAV file on the desktop's audio output and returns when it should have finished:
// the wait is the duration read from the file's header, never a playing-state signal (one may
// never come). No audio output, no Qt Multimedia or an unreadable file: returns at once.
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

class QtWavOutput {
  public:
    // Longest wait for one play, whatever a header claims.
    static constexpr uint32_t kMaxPlayMs = 30000;

    // Called on any thread; the sound itself is started on the UI thread.
    void operator()(const std::string& path) const;
    // Milliseconds of sound in a PCM WAV file, 0 when the header cannot be read.
    static uint32_t DurationMs(const std::string& path);
};

}  // namespace quillon
