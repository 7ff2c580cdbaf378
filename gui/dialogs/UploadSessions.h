// The upload sessions whose window closed before their worker ended (a cancelled KX2 run goes on
// to its next check): kept here until the worker has ended, then waited for and freed. The main
// window asks whether one still runs before it starts another on the line, and the program waits
// for them before it ends. Checked from the event loop: the UI thread never waits for a worker
// that may itself be waiting for the UI thread.
#pragma once

#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

#include "session/UploadSession.h"

namespace quillon {

class UploadSessions : public QObject {
    Q_OBJECT

  public:
    static constexpr int kCheckMs = 50;

    UploadSessions();
    ~UploadSessions() override;  // WaitAll

    // UI thread. The session's view is gone; what it still sends reaches nobody.
    void Keep(std::shared_ptr<UploadSession> session);
    bool AnyRunning() const;
    // Runs the event loop until every kept session has ended, and frees them.
    void WaitAll();

  private:
    void DropEnded();

    QTimer timer_;
    std::vector<std::shared_ptr<UploadSession>> kept_;
};

}  // namespace quillon
