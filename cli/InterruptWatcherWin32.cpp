#include <windows.h>

#include <atomic>

#include "cli/InterruptWatcher.h"

namespace quillon::cli {

// The console calls its handlers on a thread of its own; the handler only hands the interrupt
// on, and the waiting thread prints. One watch at a time: the handler finds it through a static
// pointer.
class InterruptWatcher::Watch {
  public:
    explicit Watch(InterruptWatcher& owner) : owner_(owner) {
        current_ = this;
        ::SetConsoleCtrlHandler(&Watch::OnConsoleEvent, TRUE);
    }
    ~Watch() {
        ::SetConsoleCtrlHandler(&Watch::OnConsoleEvent, FALSE);
        current_ = nullptr;
    }

  private:
    static BOOL WINAPI OnConsoleEvent(DWORD event) {
        Watch* watch = current_;
        if (watch == nullptr || (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)) {
            return FALSE;
        }
        watch->owner_.Interrupt();
        return TRUE;
    }

    static inline std::atomic<Watch*> current_{nullptr};
    InterruptWatcher& owner_;
};

InterruptWatcher::InterruptWatcher(std::function<void()> stop)
    : stop_(std::move(stop)), watch_(std::make_unique<Watch>(*this)) {}

InterruptWatcher::~InterruptWatcher() = default;

}  // namespace quillon::cli
