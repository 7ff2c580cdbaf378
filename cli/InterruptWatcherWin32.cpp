#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "cli/CliContext.h"
#include "cli/InterruptWatcher.h"

namespace quillon::cli {

// The console calls its handlers on a thread of its own, so the handler only flips atomics and
// writes to stderr. One watch at a time: the handler finds it through a static pointer.
class InterruptWatcher::Watch {
  public:
    explicit Watch(UploadJob& job) : job_(job) {
        current_ = this;
        ::SetConsoleCtrlHandler(&Watch::OnConsoleEvent, TRUE);
    }
    ~Watch() {
        ::SetConsoleCtrlHandler(&Watch::OnConsoleEvent, FALSE);
        current_ = nullptr;
    }
    bool Interrupted() const { return interrupted_; }

  private:
    using Clock = std::chrono::steady_clock;

    static BOOL WINAPI OnConsoleEvent(DWORD event) {
        Watch* watch = current_;
        if (watch == nullptr || (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)) {
            return FALSE;
        }
        watch->Interrupt();
        return TRUE;
    }

    void Interrupt() {
        const int64_t now = Clock::now().time_since_epoch().count();
        if (interrupted_ && Clock::duration(now - first_) < std::chrono::seconds(2)) {
            std::fputs("\nInterrupted.\n", stderr);
            ::ExitProcess(kExitInterrupted);
        }
        interrupted_ = true;
        first_ = now;
        job_.abortRequest = 1;
        std::fputs("\nStopping at the next check (Ctrl-C again to quit at once)...\n", stderr);
    }

    static inline std::atomic<Watch*> current_{nullptr};
    UploadJob& job_;
    std::atomic<bool> interrupted_{false};
    std::atomic<int64_t> first_{0};
};

InterruptWatcher::InterruptWatcher(UploadJob& job) : watch_(std::make_unique<Watch>(job)) {}

InterruptWatcher::~InterruptWatcher() = default;

bool InterruptWatcher::Interrupted() const {
    return watch_->Interrupted();
}

}  // namespace quillon::cli
