// The progress window's sound player: each Play starts a detached thread with its own copy of
// the path that plays it three times, waiting a second after each play. Paths of 4 characters
// or less are not configured and play nothing.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "dialogs/SoundPlayer.h"
#include "platform/Clock.h"

namespace quillon {

class ThreadedSoundPlayer final : public SoundPlayer {
  public:
    static constexpr int kPlays = 3;
    static constexpr uint32_t kGapMs = 1000;
    static constexpr std::size_t kMinConfiguredPath = 5;

    // playOnce plays one WAV file and returns when it has finished. The clock must outlive
    // every thread started (it belongs to the program).
    using PlayOnce = std::function<void(const std::string& path)>;
    ThreadedSoundPlayer(PlayOnce playOnce, Clock& clock)
        : playOnce_(std::move(playOnce)), clock_(clock) {}

    void Play(const std::string& wavPath) override;
    // Sound threads still playing (all players).
    static int Running() { return running_.load(); }

  private:
    PlayOnce playOnce_;
    Clock& clock_;
    static std::atomic<int> running_;
};

}  // namespace quillon
