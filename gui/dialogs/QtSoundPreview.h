// Plays WAV files with Qt Multimedia. A file that is missing or no WAV, or a system without audio
// output, gets the platform's beep instead. The wait lasts the duration read from the file's
// header, in a local event loop so the windows keep painting: a player's "stopped" signal may
// never come, so it is not waited for.
#pragma once

#include "dialogs/SoundPreview.h"

namespace quillon {

class QtSoundPreview final : public SoundPreview {
  public:
    bool PlayAndWait(const std::string& path) override;
};

}  // namespace quillon
