#include "dialogs/ThreadedSoundPlayer.h"

#include <thread>

namespace quillon {

std::atomic<int> ThreadedSoundPlayer::running_{0};

void ThreadedSoundPlayer::Play(const std::string& wavPath) {
    if (wavPath.size() < kMinConfiguredPath || !playOnce_) {
        return;
    }
    ++running_;
    std::thread([path = wavPath, play = playOnce_, &clock = clock_] {
        for (int i = 0; i < kPlays; ++i) {
            play(path);
            clock.Sleep(kGapMs);
        }
        --running_;
    }).detach();
}

}  // namespace quillon
