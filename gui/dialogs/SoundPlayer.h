// Plays the progress window's alert sounds. Play returns at once: the sound goes on in the
// background, three times with a second after each, from the player's own copy of the path, so
// the window may close meanwhile. A path that cannot be played is the player's concern and is
// not reported.
#pragma once

#include <string>

namespace quillon {

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    virtual void Play(const std::string& wavPath) = 0;
};

// Plays nothing: for machines without audio output and for screenshots.
class NullSoundPlayer final : public SoundPlayer {
  public:
    void Play(const std::string&) override {}
};

}  // namespace quillon
