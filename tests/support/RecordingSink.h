// An event sink for tests: keeps a copy of every event (texts, bytes and the progress record as
// they were at the time of the call), each under the index of its type (ev::kFileDone ...).
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "upload/UploadEvents.h"

namespace quillon::test {

namespace ev {

template <typename Event, typename Variant>
struct IndexOf;
template <typename Event, typename... Events>
struct IndexOf<Event, std::variant<Events...>> {
    static constexpr int value = [] {
        int i = 0;
        (void)((std::is_same_v<Event, Events> ? false : (++i, true)) && ...);
        return i;
    }();
};
template <typename Event>
inline constexpr int kIndex = IndexOf<Event, UploadEvent>::value;

inline constexpr int kLogLine = kIndex<event::LogLine>;
inline constexpr int kBytesSent = kIndex<event::BytesSent>;
inline constexpr int kBytesReceived = kIndex<event::BytesReceived>;
inline constexpr int kEstimates = kIndex<event::Estimates>;
inline constexpr int kFileStart = kIndex<event::FileStart>;
inline constexpr int kPacketSent = kIndex<event::PacketSent>;
inline constexpr int kPauseTick = kIndex<event::PauseTick>;
inline constexpr int kAwaiting = kIndex<event::AwaitingConfirmation>;
inline constexpr int kFileDone = kIndex<event::FileDone>;
inline constexpr int kFileFailed = kIndex<event::FileFailed>;
inline constexpr int kLogOpened = kIndex<event::MessageLogOpened>;
inline constexpr int kRecordLost = kIndex<event::RecordLost>;
inline constexpr int kInternalError = kIndex<event::InternalError>;
inline constexpr int kPortOpenFailed = kIndex<event::PortOpenFailed>;
inline constexpr int kWorkerDone = kIndex<event::WorkerDone>;

}  // namespace ev

struct Recorded {
    int code = 0;        // ev::k...
    int64_t number = 0;  // a log line's level, the seconds left, the port number
    std::string text;    // a log line, a path, a failure's step
    std::vector<uint8_t> bytes;
    bool hasProgress = false;
    UploadProgress progress;
};

inline Recorded Record(const UploadEvent& e) {
    Recorded r;
    r.code = static_cast<int>(e.index());
    if (const UploadProgress* p = EventProgress(e)) {
        r.hasProgress = true;
        r.progress = *p;
    }
    std::visit(Overloaded{
                   [&](const event::LogLine& line) {
                       r.number = line.level;
                       r.text = line.text;
                   },
                   [&](const event::BytesSent& sent) {
                       r.bytes.assign(sent.bytes.begin(), sent.bytes.end());
                   },
                   [&](const event::BytesReceived& got) {
                       r.bytes.assign(got.bytes.begin(), got.bytes.end());
                   },
                   [&](const event::AwaitingConfirmation& w) { r.number = w.secondsLeft; },
                   [&](const event::FileFailed& failed) { r.text = failed.step; },
                   [&](const event::MessageLogOpened& opened) { r.text = opened.path; },
                   [&](const event::RecordLost& lost) { r.text = RecordLostText(lost); },
                   [&](const event::PortOpenFailed& failed) { r.number = failed.portNumber; },
                   [](const auto&) {},
               },
               e);
    return r;
}

class RecordingSink : public EventSink {
  public:
    // Called with each event as recorded, after it is kept.
    std::function<void(const Recorded&)> hook;

    void Send(const UploadEvent& e) override {
        Recorded r = Record(e);
        {
            std::lock_guard lock(mutex_);
            all_.push_back(r);
        }
        if (hook) {
            hook(r);
        }
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
    // The texts of the log lines, in order.
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        for (const Recorded& r : All()) {
            if (r.code == ev::kLogLine) {
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
    bool HasLine(const std::string& text) const {
        const auto lines = LogLines();
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }

  private:
    mutable std::mutex mutex_;
    std::vector<Recorded> all_;
};

}  // namespace quillon::test
