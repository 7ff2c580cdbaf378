// Plays WAV files for the settings dialog's play buttons: with Qt Multimedia on Linux, with the
// system's sound API on Windows. A file that is missing or no WAV, or a system without audio
// output, gets the platform's default sound instead. The wait lasts the duration read from the
// file's header, in a local event loop so the windows keep painting: a player's "stopped" signal
// may never come, so it is not waited for.
#pragma once

#include <QEventLoop>
#include <QTimer>

#include "dialogs/SoundPreview.h"

namespace quillon {

// Waits while the windows keep painting; clicks and keys wait until the sound has ended.
inline void WaitWhilePainting(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

// The platform's default sound, heard instead of a file that cannot be played.
void PlayDefaultSound();

class SystemSoundPreview final : public SoundPreview {
  public:
    explicit SystemSoundPreview(void (*defaultSound)() = PlayDefaultSound)
        : defaultSound_(defaultSound) {}
    // False when the default sound played instead.
    bool PlayAndWait(const std::string& path) override;

  private:
    void (*defaultSound_)();
};

}  // namespace quillon
