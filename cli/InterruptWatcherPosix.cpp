#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <thread>

#include "cli/InterruptWatcher.h"

namespace quillon::cli {

// The signals of an upload are taken by a thread of its own with sigwait, so no handler touches
// program state. A firmware upload once started finishes: SIGHUP (a dropped session) is ignored,
// and so is SIGPIPE, so output to a closed pipe or terminal stops with a write error while the
// upload and its message log go on.
class InterruptWatcher::Watch {
  public:
    explicit Watch(InterruptWatcher& owner) : owner_(owner) {
        sigemptyset(&set_);
        for (int signal : {SIGINT, SIGTERM, SIGHUP, kWakeSignal}) {
            sigaddset(&set_, signal);
        }
        // An ignored signal is dropped even while blocked (a shell's background job starts
        // with SIGINT ignored), so take them back to their default before waiting for them.
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        ::signal(SIGHUP, SIG_DFL);
        // For the rest of the process: what is still buffered is written at exit.
        ::signal(SIGPIPE, SIG_IGN);
        pthread_sigmask(SIG_BLOCK, &set_, &old_);
        thread_ = std::thread([this] { Run(); });
    }
    ~Watch() {
        stop_ = true;
        // Sent to the watcher alone, where it is blocked: the wait returns at once.
        pthread_kill(thread_.native_handle(), kWakeSignal);
        thread_.join();
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }

  private:
    static constexpr int kWakeSignal = SIGUSR1;

    void Run() {
        while (!stop_) {
            int signal = 0;
            if (sigwait(&set_, &signal) == 0 && (signal == SIGINT || signal == SIGTERM)) {
                owner_.Interrupt();
            }
        }
    }

    InterruptWatcher& owner_;
    sigset_t set_{};
    sigset_t old_{};
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

InterruptWatcher::InterruptWatcher(std::function<void()> stop)
    : stop_(std::move(stop)), watch_(std::make_unique<Watch>(*this)) {}

InterruptWatcher::~InterruptWatcher() = default;

}  // namespace quillon::cli
