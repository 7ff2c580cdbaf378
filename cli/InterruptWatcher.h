// Ctrl-C (and SIGTERM) during an upload. The first asks the worker to stop at its next check; a
// second within 2 seconds asks to quit at once, which still gives the worker 2 seconds to end by
// itself and record its ending. Nothing is done where the interrupt arrives (a signal thread on
// POSIX, the console's handler thread on Windows): that part only counts it and wakes the thread
// waiting in WaitForRun, which says so on the console and decides.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>

namespace quillon::cli {

class InterruptWatcher {
  public:
    static constexpr std::chrono::seconds kQuitWithin{2};  // a second interrupt this soon quits
    static constexpr std::chrono::seconds kQuitGrace{2};   // the worker's time to end by itself

    // Every thread started after this inherits what it needs to leave Ctrl-C to the watcher.
    // stop: asks the run to stop (called on the thread the interrupt arrives on).
    explicit InterruptWatcher(std::function<void()> stop);
    ~InterruptWatcher();
    InterruptWatcher(const InterruptWatcher&) = delete;
    InterruptWatcher& operator=(const InterruptWatcher&) = delete;

    bool Interrupted() const;
    // Waits until finished() is true; the worker calls Wake as it ends. Interrupts meanwhile are
    // said on err. False when a second interrupt asked to quit and the worker did not end within
    // kQuitGrace: the caller then ends the program at once.
    bool WaitForRun(const std::function<bool()>& finished, std::FILE* err);
    void Wake();

  private:
    class Watch;
    // From the platform part, on its own thread.
    void Interrupt();

    std::function<void()> stop_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int interrupts_ = 0;                             // under mutex_
    bool quitAsked_ = false;                         // under mutex_
    std::chrono::steady_clock::time_point first_{};  // under mutex_: the interrupt that asked
    std::unique_ptr<Watch> watch_;                   // last: it calls Interrupt until it is gone
};

}  // namespace quillon::cli
