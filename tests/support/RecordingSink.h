// A notification sink for tests: keeps a copy of every notification (texts, bytes and the
// progress record as they were at the time of the call).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "upload/Notification.h"

namespace quillon::test {

struct Recorded {
    int code = 0;
    int64_t wParam = 0;
    std::string text;
    std::vector<uint8_t> bytes;
    bool hasProgress = false;
    UploadProgress progress;
};

class RecordingSink : public NotificationSink {
  public:
    void Send(const Notification& n) override {
        Recorded r;
        r.code = n.code;
        r.wParam = n.wParam;
        r.text = std::string(n.text);
        r.bytes.assign(n.bytes.begin(), n.bytes.end());
        if (n.progress != nullptr) {
            r.hasProgress = true;
            r.progress = *n.progress;
        }
        std::lock_guard lock(mutex_);
        all_.push_back(std::move(r));
    }

    void Clear() {
        std::lock_guard lock(mutex_);
        all_.clear();
    }
    std::vector<Recorded> All() const {
        std::lock_guard lock(mutex_);
        return all_;
    }
    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const Recorded& r : All()) {
            codes.push_back(r.code);
        }
        return codes;
    }
    // The texts of UM_LOG_LINE, in order.
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        for (const Recorded& r : All()) {
            if (r.code == UM_LOG_LINE) {
                lines.push_back(r.text);
            }
        }
        return lines;
    }
    size_t Count(int code) const {
        size_t count = 0;
        for (const Recorded& r : All()) {
            count += r.code == code ? 1 : 0;
        }
        return count;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<Recorded> all_;
};

}  // namespace quillon::test
