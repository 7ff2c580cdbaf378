#include "cli/InterruptWatcher.h"

#include "cli/Console.h"

namespace quillon::cli {

bool InterruptWatcher::Interrupted() const {
    std::lock_guard lock(mutex_);
    return interrupts_ > 0;
}

void InterruptWatcher::Interrupt() {
    std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    if (interrupts_ > 0 && now - first_ < kQuitWithin) {
        quitAsked_ = true;
    } else {
        first_ = now;
    }
    ++interrupts_;
    stop_();
    changed_.notify_all();
}

void InterruptWatcher::Wake() {
    std::lock_guard lock(mutex_);
    changed_.notify_all();
}

bool InterruptWatcher::WaitForRun(const std::function<bool()>& finished, std::FILE* err) {
    std::unique_lock lock(mutex_);
    int said = 0;
    for (;;) {
        changed_.wait(lock, [&] { return finished() || interrupts_ != said || quitAsked_; });
        if (finished()) {
            return true;
        }
        if (quitAsked_) {
            WriteWhole(err, "\nStopping now...\n");
            return changed_.wait_for(lock, kQuitGrace, finished);
        }
        said = interrupts_;
        WriteWhole(err, "\nStopping at the next check (Ctrl-C again to quit at once)...\n");
    }
}

}  // namespace quillon::cli
