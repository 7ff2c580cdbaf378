// Hands a worker's notifications to the UI thread: each Send runs the handler there with a
// blocking queued call, so the worker waits (and its pointers stay valid) until it is handled.
// After Detach (UI thread) notifications are acknowledged and dropped, so a worker that outlives
// its window never reaches it. Without a running application nothing is delivered.
#pragma once

#include <functional>

#include "upload/Notification.h"

namespace quillon {

class QtNotificationSink final : public NotificationSink {
  public:
    using Handler = std::function<void(const Notification&)>;

    // Made on the UI thread.
    explicit QtNotificationSink(Handler handler) : handler_(std::move(handler)) {}

    void Send(const Notification& n) override;
    // UI thread only.
    void Detach() { handler_ = nullptr; }

  private:
    void Deliver(const Notification& n);

    // Read and written on the UI thread only.
    Handler handler_;
};

}  // namespace quillon
