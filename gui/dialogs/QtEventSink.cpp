#include "dialogs/QtEventSink.h"

#include <QCoreApplication>
#include <QThread>

namespace quillon {

void CallOnUiThread(const std::function<void()>& call) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        return;
    }
    if (QThread::currentThread() == app->thread()) {
        call();
        return;
    }
    // The application object lives as long as any window, so the call always has a receiver
    // even when the window that started the worker has gone.
    QMetaObject::invokeMethod(
        app, [&call] { call(); }, Qt::BlockingQueuedConnection);
}

void QtEventSink::Send(const UploadEvent& e) {
    CallOnUiThread([this, &e] {
        if (handler_) {
            handler_(e);
        }
    });
}

void QtTerminalSink::OnText(std::string_view text) {
    CallOnUiThread([this, text] {
        if (onText_) {
            onText_(text);
        }
    });
}

void QtTerminalSink::OnLineLost() {
    CallOnUiThread([this] {
        if (onLost_) {
            onLost_();
        }
    });
}

}  // namespace quillon
