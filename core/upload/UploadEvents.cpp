#include "upload/UploadEvents.h"

#include <array>
#include <cerrno>
#include <cstring>

namespace quillon {

namespace {

// In the order of the variant's alternatives.
constexpr std::array<const char*, std::variant_size_v<UploadEvent>> kEventNames{
    "LogLine",          "BytesSent",  "BytesReceived",        "Estimates",      "FileStart",
    "PacketSent",       "PauseTick",  "AwaitingConfirmation", "FileDone",       "FileFailed",
    "MessageLogOpened", "RecordLost", "InternalError",        "PortOpenFailed", "WorkerDone"};

constexpr std::array<const char*, 6> kCauseNames{"no-answer",   "bad-answer", "unit-error",
                                                 "unit-cancel", "line-lost",  "refused"};

constexpr std::array<const char*, 3> kRecordNames{"history entry in", "message log", "serial log"};

}  // namespace

const char* RunOutcomeName(RunOutcome outcome) {
    switch (outcome) {
        case RunOutcome::kNotFinished:
            return "not finished";
        case RunOutcome::kCompleted:
            return "completed";
        case RunOutcome::kFailed:
            return "failed";
        case RunOutcome::kAborted:
            return "aborted";
        case RunOutcome::kNoFinalAnswer:
            return "no final answer";
        case RunOutcome::kPortOpenFailed:
            return "port open failed";
    }
    return "?";
}

const char* FailureCauseName(FailureCause cause) {
    return kCauseNames[static_cast<size_t>(cause)];
}

std::string FailurePlace(std::string_view step, FailureCause cause, std::string_view gap) {
    return "at " + std::string(step) + std::string(gap) + "(" + FailureCauseName(cause) + ")";
}

const char* FailureAdvice(RunOutcome outcome, FailureCause cause) {
    if (outcome == RunOutcome::kNoFinalAnswer) {
        return "The unit never confirmed the upload: treat it as failed and try again.";
    }
    switch (cause) {
        case FailureCause::kNoAnswer:
            return "The unit did not answer: check the cable, that the unit is powered and in its "
                   "loading mode, the baud rate and the port.";
        case FailureCause::kBadAnswer:
            return "The unit's answers were garbled: check the baud rate matches the unit's and "
                   "the cable.";
        case FailureCause::kLineLost:
            return "The line to the unit was lost: check the cable or USB adapter.";
        default:
            return "";
    }
}

const char* EventName(const UploadEvent& e) {
    return kEventNames[e.index()];
}

const UploadProgress* EventProgress(const UploadEvent& e) {
    return std::visit(
        [](const auto& event) -> const UploadProgress* {
            if constexpr (requires { event.progress; }) {
                return &event.progress;
            } else {
                return nullptr;
            }
        },
        e);
}

bool NoteRecordWritten(EventSink& sink, bool written, RunRecord record, const std::string& path) {
    if (!written) {
        const std::string reason = errno != 0 ? std::strerror(errno) : "";
        sink.Send(event::RecordLost{record, path, reason});
    }
    return written;
}

std::string RecordLostText(const event::RecordLost& lost) {
    std::string text =
        "not written: " + std::string(kRecordNames[static_cast<size_t>(lost.record)]) + " " +
        std::string(lost.path);
    if (!lost.reason.empty()) {
        text += ": " + std::string(lost.reason);
    }
    return text;
}

void SerialDataEvents::Sent(std::span<const uint8_t> bytes) const {
    if (shown_.load(std::memory_order_relaxed)) {
        sink_.Send(event::BytesSent{bytes});
    }
}

void SerialDataEvents::Received(std::span<const uint8_t> bytes) const {
    if (shown_.load(std::memory_order_relaxed)) {
        sink_.Send(event::BytesReceived{bytes});
    }
}

}  // namespace quillon
