// What an upload worker reports to whoever shows the run (the progress window, the command line,
// a test): one typed event for each thing that happened, with named fields. The worker hands each
// to its EventSink and waits until Send returns, so what an event points at (texts, bytes, the
// progress record) is valid only during that call.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "upload/UploadProgress.h"

namespace quillon {

// How a run ended, for callers that must tell success from failure once the worker is done.
enum class RunOutcome : int {
    kNotFinished = 0,
    kCompleted,       // every selected file delivered
    kFailed,          // a file failed (a FileFailed event was sent)
    kAborted,         // the user asked to stop
    kNoFinalAnswer,   // KX2: every packet sent, but the unit never said "complete"
    kPortOpenFailed,  // the port did not open; nothing was sent
};
const char* RunOutcomeName(RunOutcome outcome);

// Log levels of a log line.
enum LogLevel : int {
    kLevelError = 0,
    kLevelHost = 1,
    kLevelAck = 2,
    kLevelPrep = 3,
    kLevelBegin = 4,
    kLevelTiming = 6,
};

// Why a file failed.
enum class FailureCause {
    kNoAnswer,    // the unit said nothing (a KX2 unit: it never confirmed the upload)
    kBadAnswer,   // garbled or out of order
    kUnitError,   // the unit reported an error
    kUnitCancel,  // the unit cancelled the upload
    kLineLost,    // the serial line went dead
    kRefused,     // the file breaks a limit of the unit
};
// "no-answer", "bad-answer", "unit-error", "unit-cancel", "line-lost", "refused".
const char* FailureCauseName(FailureCause cause);
// Where and why a file failed, as every view says it: "at Next Packet (bad-answer)"; a view
// short of width puts a line break in the gap.
std::string FailurePlace(std::string_view step, FailureCause cause, std::string_view gap = " ");
// What the technician should check after a file failed with cause in a run that ended with
// outcome, in one sentence; "" when the unit's own log lines say all there is (it refused the
// file, reported an error or cancelled).
const char* FailureAdvice(RunOutcome outcome, FailureCause cause);

// A record of the run that could not be written.
enum class RunRecord { kHistory, kMessageLog, kSerialLog };

namespace event {

struct LogLine {
    int level;
    std::string_view text;  // with its own line end
};
// Shown only while the serial-data view is on.
struct BytesSent {
    std::span<const uint8_t> bytes;
};
struct BytesReceived {
    std::span<const uint8_t> bytes;
};
// Once per run: the packets and estimates of every selected board.
struct Estimates {
    const UploadProgress& progress;
};
// A board's upload begins.
struct FileStart {
    const UploadProgress& progress;
};
// A data packet (or KX2 frame) is sent.
struct PacketSent {
    const UploadProgress& progress;
};
// One second of the pause before the next board.
struct PauseTick {
    const UploadProgress& progress;
};
// KX2: every packet is sent, the unit has not confirmed the upload yet.
struct AwaitingConfirmation {
    const UploadProgress& progress;
    int32_t secondsLeft;
};
struct FileDone {
    const UploadProgress& progress;
};
struct FileFailed {
    const UploadProgress& progress;
    std::string_view step;  // as the history names it: "Begin Upload", "Next Packet" ...
    FailureCause cause;
};
struct MessageLogOpened {
    std::string_view path;
};
struct RecordLost {
    RunRecord record;
    std::string_view path;
    std::string_view reason;  // the system's, may be empty
};
// A board number that names no board reached the uploader.
struct InternalError {};
// The port would not open; the run ends without a WorkerDone.
struct PortOpenFailed {
    int portNumber;
};
// The worker has closed the port; nothing follows.
struct WorkerDone {
    RunOutcome outcome;
};

}  // namespace event

using UploadEvent =
    std::variant<event::LogLine, event::BytesSent, event::BytesReceived, event::Estimates,
                 event::FileStart, event::PacketSent, event::PauseTick, event::AwaitingConfirmation,
                 event::FileDone, event::FileFailed, event::MessageLogOpened, event::RecordLost,
                 event::InternalError, event::PortOpenFailed, event::WorkerDone>;

// The event's name, one for each alternative ("LogLine", "FileDone" ...), for logs and tests.
const char* EventName(const UploadEvent& e);
// The progress record an event carries, or nullptr.
const UploadProgress* EventProgress(const UploadEvent& e);
// "not written: history entry in /x/History.txt: No space left on device", as views say it.
std::string RecordLostText(const event::RecordLost& lost);

class EventSink {
  public:
    virtual ~EventSink() = default;
    // Handles one event before returning; called on the worker's thread.
    virtual void Send(const UploadEvent& e) = 0;
};

// A sink made of a function, for views that want no class of their own.
template <typename Handler>
class EventHandlerSink final : public EventSink {
  public:
    explicit EventHandlerSink(Handler handler) : handler_(std::move(handler)) {}
    void Send(const UploadEvent& e) override { handler_(e); }

  private:
    Handler handler_;
};

// The line's bytes as events, handed on only while the technician has the serial data shown.
class SerialDataEvents {
  public:
    SerialDataEvents(EventSink& sink, const std::atomic<bool>& shown)
        : sink_(sink), shown_(shown) {}
    void Sent(std::span<const uint8_t> bytes) const;
    void Received(std::span<const uint8_t> bytes) const;

  private:
    EventSink& sink_;
    const std::atomic<bool>& shown_;
};

// RecordLost for the record at path unless written (with the system's reason for the failure
// just seen); returns written.
bool NoteRecordWritten(EventSink& sink, bool written, RunRecord record, const std::string& path);

// For std::visit with one lambda per event type.
template <typename... Lambdas>
struct Overloaded : Lambdas... {
    using Lambdas::operator()...;
};
template <typename... Lambdas>
Overloaded(Lambdas...) -> Overloaded<Lambdas...>;

}  // namespace quillon
