#include "dialogs/UploadSessions.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>

namespace quillon {

UploadSessions::UploadSessions() {
    connect(&timer_, &QTimer::timeout, this, &UploadSessions::DropEnded);
}

UploadSessions::~UploadSessions() {
    WaitAll();
}

void UploadSessions::Keep(std::shared_ptr<UploadSession> session) {
    if (session && !session->Ended()) {
        session->Stop();
        kept_.push_back(std::move(session));
        timer_.start(kCheckMs);
    }
}

bool UploadSessions::AnyRunning() const {
    return std::ranges::any_of(kept_, [](const auto& session) { return !session->Ended(); });
}

void UploadSessions::DropEnded() {
    // An ended session's worker only returns: waiting for it here is at once.
    std::erase_if(kept_, [](const auto& session) { return session->Ended(); });
    if (kept_.empty()) {
        timer_.stop();
    }
}

void UploadSessions::WaitAll() {
    while (AnyRunning()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, kCheckMs);
    }
    kept_.clear();
    timer_.stop();
}

}  // namespace quillon
