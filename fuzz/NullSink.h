// An event sink for fuzz targets that only care that the engine comes back and how each file
// ended: every text and byte span an event carries is still read once, so a dangling view would
// be seen by the address sanitizer.
#pragma once

#include <cstddef>
#include <string_view>

#include "upload/UploadEvents.h"

namespace quillon::fuzz {

class NullSink final : public EventSink {
  public:
    void Send(const UploadEvent& e) override {
        std::visit(Overloaded{
                       [&](const event::LogLine& line) { Touch(line.text); },
                       [&](const event::BytesSent& sent) { Touch(sent.bytes); },
                       [&](const event::BytesReceived& received) { Touch(received.bytes); },
                       [&](const event::FileDone&) { ++done; },
                       [&](const event::FileFailed& failure) {
                           Touch(failure.step);
                           ++failed;
                       },
                       [&](const event::RecordLost& lost) {
                           Touch(lost.path);
                           Touch(lost.reason);
                       },
                       [](const auto&) {},
                   },
                   e);
        ++count;
    }
    size_t count = 0;
    int done = 0;    // FileDone events
    int failed = 0;  // FileFailed events

  private:
    template <typename Range>
    void Touch(const Range& range) {
        for (auto c : range) {
            checksum_ += static_cast<unsigned char>(c);
        }
    }
    size_t checksum_ = 0;
};

}  // namespace quillon::fuzz
