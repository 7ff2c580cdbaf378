#include "dialogs/QtNotificationSink.h"

#include <QCoreApplication>
#include <QThread>

namespace quillon {

void QtNotificationSink::Deliver(const Notification& n) {
    if (handler_) {
        handler_(n);
    }
}

void QtNotificationSink::Send(const Notification& n) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        return;
    }
    if (QThread::currentThread() == app->thread()) {
        Deliver(n);
        return;
    }
    // The application object lives as long as any window, so the call always has a receiver
    // even when the window that started the worker has gone.
    QMetaObject::invokeMethod(
        app, [this, &n] { Deliver(n); }, Qt::BlockingQueuedConnection);
}

}  // namespace quillon
