// A notification sink that drops everything, for fuzz targets that only care that the engine
// comes back: every text and byte span is still read once, so a dangling view would be seen by
// the address sanitizer.
#pragma once

#include <cstddef>

#include "upload/Notification.h"

namespace quillon::fuzz {

class NullSink final : public NotificationSink {
  public:
    void Send(const Notification& n) override {
        for (char c : n.text) {
            checksum_ += static_cast<unsigned char>(c);
        }
        for (uint8_t b : n.bytes) {
            checksum_ += b;
        }
        ++count_;
    }
    size_t Count() const { return count_; }

  private:
    size_t checksum_ = 0;
    size_t count_ = 0;
};

}  // namespace quillon::fuzz
