// A simulated KX2 unit: takes the host's frames (any split), checks each strictly, answers the
// start request, collects data packets, asks again for what is missing and rebuilds the image.
// Faults are chosen in a Kx2Scenario. A frame it cannot accept is counted, never answered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "protocol/Kx2Frame.h"
#include "sim/SimulatedUnit.h"

namespace quillon::sim {

struct Kx2Scenario {
    // What the unit says after a pass ends (a type-3 frame).
    enum class EndOfPass {
        kNormal,  // 10 when every packet is in, else 13 naming what is missing
        kCancel,  // 12
        kSilent,  // nothing; status requests are then answered as usual
    };
    EndOfPass endOfPass = EndOfPass::kNormal;
    // Packets dropped the first time they arrive, so the unit's resend list names them.
    std::set<int> losePackets;
    // Cancel (type 12) as soon as this packet arrives; 0 for never.
    int cancelAfterPacket = 0;
    // Start requests ignored before the unit answers one (3 or more: it never answers).
    int silentStartRequests = 0;
    // Start requests answered with a frame of this unknown type before the unit answers properly.
    int unknownAnswers = 0;
    uint8_t unknownType = 0x2A;
    // Answer the first start request with a frame head that never completes.
    bool incompleteFrameFirst = false;
    // Noise bytes (never 0x01) sent before the first "Begin Upload".
    size_t floodBeforeBegin = 0;
    // Noise written on every idle tick for as long as the runner runs.
    bool floodForever = false;
    // Status requests are not answered either.
    bool silentOnStatus = false;
    // The unit's answer with this number (from 1, in the order sent) goes out twice.
    size_t repeatAnswer = 0;
    // Delay of every answer, milliseconds.
    uint32_t answerDelayMs = 0;
    // Time the unit takes to check the image at the end of a pass before it answers. A unit
    // that answers within the host's pause after the last frame has its answer taken and set
    // aside by the host's one poll after that frame, and the host then waits out a whole final
    // wait for a status answer; real units spend this long verifying what they received.
    uint32_t checkTimeMs = 250;
};

class Kx2Unit final : public SimulatedUnit {
  public:
    // Most packet numbers a resend list carries: the host takes frames of at most 101 bytes.
    static constexpr size_t kMaxResendNumbers = 45;

    explicit Kx2Unit(Kx2Scenario scenario = {}) : scenario_(std::move(scenario)) {}

    void OnReceived(const uint8_t* data, size_t count, UnitLine& line) override;
    void OnIdle(UnitLine& line) override;
    bool ActsWhenIdle() const override { return scenario_.floodForever; }

    // What the unit has seen so far (safe to call from another thread).
    struct Report {
        std::optional<Kx2StartRequest> start;
        size_t startRequests = 0;
        size_t statusRequests = 0;
        size_t badFrames = 0;          // failed the marker, length, CRC or end-byte check
        size_t badStartRequests = 0;   // well framed, but the payload did not add up
        size_t badDataFrames = 0;      // packet number or size not as announced
        size_t unexpectedFrames = 0;   // types a unit does not take from a host
        std::vector<int> dataFrames;   // packet numbers in arrival order (types 2 and 3)
        std::vector<int> lastFrames;   // packet numbers that came as type 3
        std::vector<uint8_t> answers;  // types the unit sent, in order
        bool complete = false;         // every packet in
        std::vector<uint8_t> image;    // the packets joined in order (only when complete)
        bool imageMatchesLength = false;
    };
    Report GetReport() const;
    // Every announced packet is in (cheaper than a whole report).
    bool ImageComplete() const;

  private:
    using Outbox = std::vector<std::vector<uint8_t>>;

    // These run under the mutex and only queue answers; they are sent after it is released.
    void HandleFrame(const Kx2ParsedFrame& frame, Outbox& out);
    void HandleStart(const Kx2ParsedFrame& frame, Outbox& out);
    void HandleData(const Kx2ParsedFrame& frame, Outbox& out);
    void AnswerCurrentState(Outbox& out);
    void Answer(std::vector<uint8_t> frame, Outbox& out);
    bool ValidData(const Kx2ParsedFrame& frame) const;
    std::vector<int16_t> Missing() const;
    bool Complete() const;
    void Deliver(const Outbox& out, UnitLine& line, uint32_t extraDelayMs) const;

    mutable std::mutex mutex_;
    Kx2Scenario scenario_;
    Kx2StreamParser parser_;
    Report report_;
    std::map<int, std::vector<uint8_t>> packets_;
    std::set<int> lost_;  // losses already done (each packet is lost once)
    bool begun_ = false;
    bool cancelled_ = false;
    uint32_t pendingCheckMs_ = 0;  // set at the end of a pass, taken by the next delivery
    size_t payloadSize_ = 0;
    size_t noiseSent_ = 0;
};

}  // namespace quillon::sim
