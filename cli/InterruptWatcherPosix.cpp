#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "cli/CliContext.h"
#include "cli/InterruptWatcher.h"

namespace quillon::cli {

// The signals of an upload are taken by a thread of its own with sigwait, so no handler touches
// program state. Ctrl-C or SIGTERM asks the worker to stop; a second within 2 seconds ends the
// process at once. A firmware upload once started finishes: SIGHUP (a dropped session) is
// ignored, and so is SIGPIPE, so output to a closed pipe or terminal stops with a write error
// while the upload and its message log go on.
class InterruptWatcher::Watch {
  public:
    explicit Watch(UploadJob& job) : job_(job) {
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
        // Sent to the watcher alone, where it is blocked: the wait returns at once instead of at
        // its next tick, so the program ends as soon as the upload has.
        pthread_kill(thread_.native_handle(), kWakeSignal);
        thread_.join();
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    bool Interrupted() const { return interrupted_; }

  private:
    static constexpr int kWakeSignal = SIGUSR1;

    void Run() {
        using Clock = std::chrono::steady_clock;
        Clock::time_point first{};
        struct timespec tick {
            0, 100 * 1000 * 1000
        };
        while (!stop_) {
            const int signal = sigtimedwait(&set_, nullptr, &tick);
            if (signal < 0 || signal == kWakeSignal || signal == SIGHUP) {
                continue;
            }
            if (interrupted_ && Clock::now() - first < std::chrono::seconds(2)) {
                // The kernel closes the port (and drops its lock) as the process ends.
                static constexpr char kBye[] = "\nInterrupted.\n";
                (void)!::write(STDERR_FILENO, kBye, sizeof kBye - 1);
                _exit(kExitInterrupted);
            }
            interrupted_ = true;
            first = Clock::now();
            job_.abortRequest = 1;
            static constexpr char kAsk[] =
                "\nStopping at the next check (Ctrl-C again to quit at once)...\n";
            (void)!::write(STDERR_FILENO, kAsk, sizeof kAsk - 1);
        }
    }

    UploadJob& job_;
    sigset_t set_{};
    sigset_t old_{};
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> interrupted_{false};
};

InterruptWatcher::InterruptWatcher(UploadJob& job) : watch_(std::make_unique<Watch>(job)) {}

InterruptWatcher::~InterruptWatcher() = default;

bool InterruptWatcher::Interrupted() const {
    return watch_->Interrupted();
}

}  // namespace quillon::cli
