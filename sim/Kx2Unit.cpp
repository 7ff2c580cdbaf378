#include "sim/Kx2Unit.h"

#include <utility>

namespace quillon::sim {

namespace {

// The head of a frame that announces 64 bytes and then stops.
constexpr uint8_t kAnnouncedLength = 64;
constexpr size_t kNoisePerIdleTick = 64;

// Noise that never contains a frame start, so only its amount matters to the host.
std::vector<uint8_t> Noise(size_t count, size_t offset) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t value = static_cast<uint8_t>(((offset + i) * 37 + 0x40) & 0xFF);
        bytes[i] = value == kKx2FrameStart ? kKx2FrameEnd : value;
    }
    return bytes;
}

}  // namespace

void Kx2Unit::OnReceived(const uint8_t* data, size_t count, UnitLine& line) {
    Outbox out;
    uint32_t checkMs = 0;
    {
        std::lock_guard lock(mutex_);
        for (const Kx2ParsedFrame& frame : parser_.Feed(data, count)) {
            HandleFrame(frame, out);
        }
        report_.badFrames = parser_.BadFrames();
        checkMs = std::exchange(pendingCheckMs_, 0);
    }
    Deliver(out, line, checkMs);
}

void Kx2Unit::OnIdle(UnitLine& line) {
    if (!scenario_.floodForever) {
        return;
    }
    std::vector<uint8_t> noise;
    {
        std::lock_guard lock(mutex_);
        noise = Noise(kNoisePerIdleTick, noiseSent_);
        noiseSent_ += noise.size();
    }
    line.Send(noise);
}

void Kx2Unit::Deliver(const Outbox& out, UnitLine& line, uint32_t extraDelayMs) const {
    for (const std::vector<uint8_t>& bytes : out) {
        line.Send(bytes, scenario_.answerDelayMs + extraDelayMs);
        extraDelayMs = 0;
    }
}

Kx2Unit::Report Kx2Unit::GetReport() const {
    std::lock_guard lock(mutex_);
    Report report = report_;
    report.complete = Complete();
    if (report.complete) {
        for (const auto& [number, bytes] : packets_) {
            report.image.insert(report.image.end(), bytes.begin(), bytes.end());
        }
        report.imageMatchesLength = report.image.size() == report.start->fileLength;
    }
    return report;
}

bool Kx2Unit::ImageComplete() const {
    std::lock_guard lock(mutex_);
    return Complete();
}

void Kx2Unit::HandleFrame(const Kx2ParsedFrame& frame, Outbox& out) {
    switch (frame.type) {
        case kKx2StartRequest:
            HandleStart(frame, out);
            break;
        case kKx2Data:
        case kKx2LastData:
            HandleData(frame, out);
            break;
        case kKx2StatusRequest:
            ++report_.statusRequests;
            if (!scenario_.silentOnStatus && begun_) {
                AnswerCurrentState(out);
            }
            break;
        default:
            ++report_.unexpectedFrames;
            break;
    }
}

void Kx2Unit::HandleStart(const Kx2ParsedFrame& frame, Outbox& out) {
    ++report_.startRequests;
    auto request = ParseStartRequest(frame.payload.data(), frame.payload.size());
    const bool sizesAgree =
        request && frame.packetNumber == 0 && request->maxPacketSize > kKx2Overhead &&
        request->packetCount ==
            (request->fileLength + (request->maxPacketSize - kKx2Overhead) - 1) /
                (request->maxPacketSize - kKx2Overhead);
    if (!sizesAgree) {
        ++report_.badStartRequests;
        return;  // a real unit would not start on it
    }
    // A new request starts a new session.
    report_.start = request;
    payloadSize_ = request->maxPacketSize - kKx2Overhead;
    packets_.clear();
    begun_ = false;

    int answer = static_cast<int>(report_.startRequests) - scenario_.silentStartRequests;
    if (answer <= 0) {
        return;
    }
    if (scenario_.incompleteFrameFirst) {
        if (answer == 1) {
            out.push_back(
                {kKx2FrameStart, kKx2FrameMarker, kAnnouncedLength, 0, 0, 0, kKx2BeginUpload});
            return;
        }
        --answer;
    }
    if (answer <= scenario_.unknownAnswers) {
        Answer(BuildUnitFrame(scenario_.unknownType), out);
        return;
    }
    if (scenario_.floodBeforeBegin > noiseSent_) {
        const size_t count = scenario_.floodBeforeBegin - noiseSent_;
        out.push_back(Noise(count, noiseSent_));
        noiseSent_ += count;
    }
    begun_ = true;
    Answer(BuildUnitFrame(kKx2BeginUpload), out);
}

bool Kx2Unit::ValidData(const Kx2ParsedFrame& frame) const {
    const int number = frame.packetNumber;
    if (number < 1 || number > report_.start->packetCount) {
        return false;
    }
    const size_t before = static_cast<size_t>(number - 1) * payloadSize_;
    const size_t expected =
        number == report_.start->packetCount ? report_.start->fileLength - before : payloadSize_;
    return frame.payload.size() == expected;
}

void Kx2Unit::HandleData(const Kx2ParsedFrame& frame, Outbox& out) {
    if (!begun_) {
        ++report_.unexpectedFrames;
        return;
    }
    const int number = frame.packetNumber;
    report_.dataFrames.push_back(number);
    if (frame.type == kKx2LastData) {
        report_.lastFrames.push_back(number);
    }
    if (!ValidData(frame)) {
        ++report_.badDataFrames;
    } else if (scenario_.losePackets.count(number) != 0 && lost_.insert(number).second) {
        // dropped on the way, this once
    } else {
        packets_[number] = frame.payload;
    }
    if (scenario_.cancelAfterPacket == number && !cancelled_) {
        cancelled_ = true;
        Answer(BuildUnitFrame(kKx2Cancel), out);
        return;
    }
    if (frame.type != kKx2LastData) {
        return;
    }
    switch (scenario_.endOfPass) {
        case Kx2Scenario::EndOfPass::kNormal:
            AnswerCurrentState(out);
            pendingCheckMs_ = scenario_.checkTimeMs;
            break;
        case Kx2Scenario::EndOfPass::kCancel:
            Answer(BuildUnitFrame(kKx2Cancel), out);
            break;
        case Kx2Scenario::EndOfPass::kSilent:
            break;
    }
}

void Kx2Unit::AnswerCurrentState(Outbox& out) {
    if (Complete()) {
        Answer(BuildUnitFrame(kKx2Complete), out);
    } else {
        Answer(BuildResendList(Missing()), out);
    }
}

void Kx2Unit::Answer(std::vector<uint8_t> frame, Outbox& out) {
    report_.answers.push_back(frame[kKx2TypeOffset]);
    if (report_.answers.size() == scenario_.repeatAnswer) {
        out.push_back(frame);
    }
    out.push_back(std::move(frame));
}

std::vector<int16_t> Kx2Unit::Missing() const {
    std::vector<int16_t> missing;
    if (!report_.start) {
        return missing;
    }
    for (int number = 1; number <= report_.start->packetCount && missing.size() < kMaxResendNumbers;
         ++number) {
        if (packets_.count(number) == 0) {
            missing.push_back(static_cast<int16_t>(number));
        }
    }
    return missing;
}

bool Kx2Unit::Complete() const {
    return report_.start && packets_.size() == report_.start->packetCount;
}

}  // namespace quillon::sim
