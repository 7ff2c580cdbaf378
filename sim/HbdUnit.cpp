#include "sim/HbdUnit.h"

#include <algorithm>

#include "protocol/Crc16.h"
#include "protocol/HbdControlPacket.h"

namespace quillon::sim {

HbdUnit::HbdUnit(int blockPackets, FaultPlan faults)
    : blockPackets_(std::max(blockPackets, 1)), faults_(faults) {}

void HbdUnit::SetOnBoard(std::function<void(const ReceivedBoard&)> onBoard) {
    std::lock_guard lock(mutex_);
    onBoard_ = std::move(onBoard);
}

std::vector<ReceivedBoard> HbdUnit::Boards() const {
    std::lock_guard lock(mutex_);
    return boards_;
}

int HbdUnit::Exchanges() const {
    std::lock_guard lock(mutex_);
    return exchanges_;
}

int HbdUnit::DataPacketsReceived() const {
    std::lock_guard lock(mutex_);
    return dataPackets_;
}

int HbdUnit::BadCrcPackets() const {
    std::lock_guard lock(mutex_);
    return badCrc_;
}

void HbdUnit::OnReceived(const uint8_t* data, size_t count, UnitLine& line) {
    size_t boardsBefore = 0;
    std::function<void(const ReceivedBoard&)> onBoard;
    std::vector<ReceivedBoard> finished;
    {
        std::lock_guard lock(mutex_);
        boardsBefore = boards_.size();
        if (hangupPending_) {
            line.Hangup();
            return;
        }
        const auto now = line.Now();
        // Only a partial packet is given up: after an answer a busy host may take its time
        // before the data packet, and a control packet sent instead is found alone (OnIdle).
        if (expect_ == Expect::kData && !packet_.empty() &&
            now - std::max(lastByte_, lastAnswer_) > kResyncAfter) {
            packet_.clear();
            expect_ = Expect::kControl;
            header_.Reset();
        }
        lastByte_ = now;
        for (size_t i = 0; i < count; ++i) {
            if (expect_ == Expect::kControl) {
                if (auto command = header_.Feed(data[i])) {
                    ++exchanges_;
                    OnControl(*command, line);
                }
                continue;
            }
            packet_.push_back(data[i]);
            if (packet_.size() == hbd::kDataPacketSize) {
                ++exchanges_;
                OnDataPacket(line);
                packet_.clear();
            }
        }
        finished.assign(boards_.begin() + static_cast<std::ptrdiff_t>(boardsBefore), boards_.end());
        onBoard = onBoard_;
    }
    // Outside the lock, so a callback may ask for Boards().
    if (onBoard) {
        for (const ReceivedBoard& board : finished) {
            onBoard(board);
        }
    }
}

void HbdUnit::OnIdle(UnitLine& line) {
    if (faults_.flood) {
        line.Send(std::vector<uint8_t>(kFloodChunk, kNoiseByte));
    }
    std::lock_guard lock(mutex_);
    const bool lonelyControlPacket =
        expect_ == Expect::kData && packet_.size() == hbd::kControlPacketSize &&
        std::equal(hbd::kHeader.begin(), hbd::kHeader.end(), packet_.begin()) &&
        line.Now() - lastByte_ > kResyncAfter;
    if (lonelyControlPacket) {
        const uint8_t command = packet_.back();
        packet_.clear();
        expect_ = Expect::kControl;
        ++exchanges_;
        OnControl(command, line);
    }
}

bool HbdUnit::ActsWhenIdle() const {
    std::lock_guard lock(mutex_);
    return faults_.flood || (expect_ == Expect::kData && !packet_.empty());
}

void HbdUnit::Answer(UnitLine& line, std::vector<uint8_t> codes) {
    if (exchanges_ == faults_.repeatExchange) {
        codes.insert(codes.end(), codes.begin(), codes.end());
    }
    const uint32_t extraMs = exchanges_ == faults_.lateExchange ? faults_.lateMs : 0;
    for (uint8_t code : codes) {
        // A flooding unit buries every answer deeper than any response wait reads.
        std::vector<uint8_t> bytes(faults_.noiseBytes + (faults_.flood ? kFloodBurst : 0),
                                   kNoiseByte);
        bytes.insert(bytes.end(), hbd::kHeader.begin(), hbd::kHeader.end());
        bytes.push_back(code);
        line.Send(bytes, faults_.latencyMs + extraMs);
    }
    lastAnswer_ = line.Now();
}

// True when the exchange just counted is answered wrongly on purpose (and so not acted on).
bool HbdUnit::ApplyExchangeFault(UnitLine& line) {
    if (exchanges_ == faults_.silentExchange) {
        return true;
    }
    if (exchanges_ == faults_.unknownCodeExchange) {
        Answer(line, {kUnknownCode});
        return true;
    }
    if (exchanges_ == faults_.partialExchange) {
        line.Send({hbd::kHeaderFirst, hbd::kHeaderSecond}, faults_.latencyMs);
        return true;
    }
    return false;
}

void HbdUnit::OnControl(uint8_t command, UnitLine& line) {
    // The end of transfer has no answer to get wrong.
    if (command != hbd::kCmdEndOfTransfer && ApplyExchangeFault(line)) {
        return;
    }
    for (const BoardSpec& board : kBoards) {
        if (command == board.beginCommand) {
            inBoard_ = true;
            board_ = ReceivedBoard{};
            board_.kind = board.kind;
            packetsInBlock_ = 0;
            badRepliesGiven_ = 0;
            flashSilenceGiven_ = false;
            Answer(line, {board.readyReply});
            return;
        }
    }
    switch (command) {
        case hbd::kCmdPrepare:
            expect_ = Expect::kData;
            Answer(line, {hbd::kReplyReadyNext});
            break;
        case hbd::kCmdEndOfTransfer:
            FinishBoard();
            break;
        default:
            break;  // the unit ignores commands it does not know
    }
}

void HbdUnit::OnDataPacket(UnitLine& line) {
    ++dataPackets_;
    const int packetNumber = board_.packets + 1;
    // Whatever goes wrong below, the host sends the same packet again without a new prepare.
    if (ApplyExchangeFault(line)) {
        return;
    }
    const uint16_t crc = Crc16(packet_.data(), hbd::kPayloadSize);
    const auto wire = hbd::CrcWireBytes(crc);
    if (packet_[hbd::kPayloadSize] != wire[0] || packet_[hbd::kPayloadSize + 1] != wire[1]) {
        ++badCrc_;
        Answer(line, {hbd::kReplyBadPacket});
        return;
    }
    if (packetNumber == faults_.badReplyPacket && badRepliesGiven_ < faults_.badReplyTimes) {
        ++badRepliesGiven_;
        Answer(line, {faults_.badReplyCode});
        return;
    }
    const bool endOfBlock = packetsInBlock_ + 1 == blockPackets_;
    if (endOfBlock && packetNumber == faults_.flashSilentPacket && !flashSilenceGiven_) {
        flashSilenceGiven_ = true;  // the flash write "hangs": the packet is not kept
        Answer(line, {hbd::kReplyEndOfBlock});
        return;
    }
    board_.image.insert(board_.image.end(), packet_.begin(),
                        packet_.begin() + static_cast<std::ptrdiff_t>(hbd::kPayloadSize));
    ++board_.packets;
    expect_ = Expect::kControl;
    if (endOfBlock) {
        packetsInBlock_ = 0;
        Answer(line, {hbd::kReplyEndOfBlock, hbd::kReplyFlashWritten});
    } else {
        ++packetsInBlock_;
        Answer(line, {hbd::kReplyGoodPacket});
    }
    // The line goes when the host next speaks, so the answer above still reaches it.
    hangupPending_ = packetNumber == faults_.hangupAfterPacket;
}

void HbdUnit::FinishBoard() {
    if (!inBoard_) {
        return;
    }
    inBoard_ = false;
    board_.crc = Crc16(board_.image.data(), board_.image.size());
    boards_.push_back(board_);
}

}  // namespace quillon::sim
