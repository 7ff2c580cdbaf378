// Ctrl-C during an upload: the first asks the worker to stop at its next check, a second within
// 2 seconds ends the process at once (exit status kExitInterrupted). No handler touches program
// state: POSIX takes the signals on a thread of its own, Windows through its console handler.
#pragma once

#include <memory>

#include "upload/UploadJob.h"

namespace quillon::cli {

class InterruptWatcher {
  public:
    // Every thread started after this inherits what it needs to leave Ctrl-C to the watcher.
    explicit InterruptWatcher(UploadJob& job);
    ~InterruptWatcher();
    InterruptWatcher(const InterruptWatcher&) = delete;
    InterruptWatcher& operator=(const InterruptWatcher&) = delete;
    bool Interrupted() const;

  private:
    class Watch;
    std::unique_ptr<Watch> watch_;
};

}  // namespace quillon::cli
