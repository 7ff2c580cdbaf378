// A simulated HBD unit: answers the uploader's begin-upload, prepare, data and end-of-transfer
// packets as the unit does, checks every packet's CRC, writes "flash blocks", rebuilds each
// board image it receives and reports it. A FaultPlan makes it misbehave on purpose (silence,
// unknown or error codes, noise, half answers, a dropped line, latency, a flood of bytes).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "protocol/Boards.h"
#include "protocol/HbdResponseMatcher.h"
#include "sim/SimulatedUnit.h"

namespace quillon::sim {

// What to get wrong. Exchanges count every complete host packet (control or data) from 1;
// packets count the data packets of the current board from 1 (a resent packet keeps its number).
struct FaultPlan {
    int silentExchange = 0;       // no answer at all to this exchange
    int unknownCodeExchange = 0;  // answer this exchange with a code that is not a digit
    int partialExchange = 0;      // answer this exchange with only the first two header bytes
    int badReplyPacket = 0;       // data packet that gets badReplyCode ...
    uint8_t badReplyCode = 0x34;  // ... (0x34 bad packet, 0x37 write failed, 0x38 abort)
    int badReplyTimes = 0;        // ... this many times before it is accepted
    int flashSilentPacket = 0;    // end-of-block packet whose 0x36 never comes (once)
    int hangupAfterPacket = 0;    // drop the line once this packet has been answered
    size_t noiseBytes = 0;        // bytes of noise before every answer
    uint32_t latencyMs = 0;       // turnaround before every answer
    bool flood = false;           // send noise continuously, whatever the host does
    int repeatExchange = 0;       // answer this exchange twice
    int lateExchange = 0;         // answer this exchange ...
    uint32_t lateMs = 0;          // ... this much later than the others
};

struct ReceivedBoard {
    FileKind kind{};
    std::vector<uint8_t> image;  // what the unit received (COMM/READER: from file offset 32768)
    int packets = 0;
    uint16_t crc = 0;  // CRC-16 of the whole image
};

class HbdUnit final : public SimulatedUnit {
  public:
    static constexpr int kDefaultBlockPackets = 8;
    static constexpr uint8_t kNoiseByte = 0xA5;
    static constexpr uint8_t kUnknownCode = 0x41;
    static constexpr size_t kFloodChunk = 64;   // every idle moment
    static constexpr size_t kFloodBurst = 512;  // before every answer
    // A control packet followed by this much silence while a data packet was expected is taken
    // as a control packet (the host gave up on the packet and started over). Bytes that come
    // after this much silence in the middle of a data packet start over too: what came before
    // was the rest of an interrupted run, as a unit's receive time-out would decide.
    static constexpr std::chrono::milliseconds kResyncAfter{300};

    explicit HbdUnit(int blockPackets = kDefaultBlockPackets, FaultPlan faults = {});

    void OnReceived(const uint8_t* data, size_t count, UnitLine& line) override;
    void OnIdle(UnitLine& line) override;
    bool ActsWhenIdle() const override;  // flooding, or holding what may be a control packet

    // Called (on the runner's thread) each time a board image is complete.
    void SetOnBoard(std::function<void(const ReceivedBoard&)> onBoard);
    std::vector<ReceivedBoard> Boards() const;
    int Exchanges() const;
    // Data packets received (retransmissions included) and with a wrong CRC.
    int DataPacketsReceived() const;
    int BadCrcPackets() const;

  private:
    enum class Expect { kControl, kData };

    void OnControl(uint8_t command, UnitLine& line);
    void OnDataPacket(UnitLine& line);
    void Answer(UnitLine& line, std::vector<uint8_t> codes);
    bool ApplyExchangeFault(UnitLine& line);
    void FinishBoard();

    const int blockPackets_;
    FaultPlan faults_;
    std::function<void(const ReceivedBoard&)> onBoard_;

    mutable std::mutex mutex_;
    Expect expect_ = Expect::kControl;
    HbdResponseMatcher header_;
    std::vector<uint8_t> packet_;
    std::chrono::steady_clock::time_point lastByte_{};
    std::chrono::steady_clock::time_point lastAnswer_{};
    bool inBoard_ = false;
    ReceivedBoard board_;
    int packetsInBlock_ = 0;
    int exchanges_ = 0;
    int dataPackets_ = 0;
    int badCrc_ = 0;
    int badRepliesGiven_ = 0;
    bool flashSilenceGiven_ = false;
    bool hangupPending_ = false;
    std::vector<ReceivedBoard> boards_;
};

}  // namespace quillon::sim
