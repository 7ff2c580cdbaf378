// Plays one WAV file on the desktop's audio output and returns when it should have finished:
// the wait is the duration read from the file's header, never a playing-state signal (one may
// never come). Linux plays it with Qt Multimedia when that is built in, Windows with its own
// sound API. No audio output or an unreadable file: returns at once (Windows plays its default
// sound for a file it cannot play, and waits for that).
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

class WavOutput {
  public:
    // Longest wait for one play, whatever a header claims.
    static constexpr uint32_t kMaxPlayMs = 30000;

    // Called on any thread.
    void operator()(const std::string& path) const;
};

}  // namespace quillon
