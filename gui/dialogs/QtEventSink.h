// Hands a worker's events to the UI thread: each one runs the handler there with a blocking
// queued call, so the worker waits (and what the event points at stays valid) until it is
// handled. After Detach (UI thread) events are acknowledged and dropped, so a worker that
// outlives its window never reaches it. Without a running application nothing is delivered.
// The same for the serial terminal's reader (QtTerminalSink).
#pragma once

#include <functional>
#include <string_view>

#include "session/TerminalSession.h"
#include "upload/UploadEvents.h"

namespace quillon {

// Runs call on the UI thread and returns once it has run there (at once when already on it).
void CallOnUiThread(const std::function<void()>& call);

class QtEventSink final : public EventSink {
  public:
    using Handler = std::function<void(const UploadEvent&)>;

    // Made on the UI thread.
    explicit QtEventSink(Handler handler) : handler_(std::move(handler)) {}

    void Send(const UploadEvent& e) override;
    // UI thread only.
    void Detach() { handler_ = nullptr; }

  private:
    // Read and written on the UI thread only.
    Handler handler_;
};

class QtTerminalSink final : public TerminalSink {
  public:
    using TextHandler = std::function<void(std::string_view text)>;
    using LostHandler = std::function<void()>;

    // Made on the UI thread.
    QtTerminalSink(TextHandler onText, LostHandler onLost)
        : onText_(std::move(onText)), onLost_(std::move(onLost)) {}

    void OnText(std::string_view text) override;
    void OnLineLost() override;
    // UI thread only.
    void Detach() {
        onText_ = nullptr;
        onLost_ = nullptr;
    }

  private:
    // Read and written on the UI thread only.
    TextHandler onText_;
    LostHandler onLost_;
};

}  // namespace quillon
