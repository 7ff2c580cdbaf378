// Plays a sound file and returns once it has ended, for the settings dialog's play buttons.
// A sound that cannot be played is skipped (false); nothing here can stop the program.
#pragma once

#include <string>

namespace quillon {

class SoundPreview {
  public:
    virtual ~SoundPreview() = default;
    // True when the sound was played to its end.
    virtual bool PlayAndWait(const std::string& path) = 0;
};

}  // namespace quillon
