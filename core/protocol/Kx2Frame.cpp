#include "protocol/Kx2Frame.h"

#include <algorithm>

#include "protocol/Crc16.h"

namespace quillon {

namespace {

constexpr size_t kNulSize = 1;

uint32_t ReadU32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

}  // namespace

Kx2FrameType DecodeUnitType(uint8_t typeByte) {
    switch (typeByte) {
        case kKx2Complete:
        case kKx2Cancel:
        case kKx2ResendList:
        case kKx2BeginUpload:
            return static_cast<Kx2FrameType>(typeByte);
        default:
            return kKx2Unknown;
    }
}

uint16_t Kx2ReadU16(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

void Kx2FrameBuilder::Begin(uint16_t packetNumber, uint8_t type) {
    bytes_.clear();
    AppendU8(kKx2FrameStart);
    AppendU8(kKx2FrameMarker);
    AppendU16(0);  // length, filled in by CloseFrame
    AppendU16(packetNumber);
    AppendU8(type);
}

void Kx2FrameBuilder::Append(const uint8_t* data, size_t count) {
    bytes_.insert(bytes_.end(), data, data + count);
}

void Kx2FrameBuilder::AppendU16(uint16_t value) {
    AppendU8(static_cast<uint8_t>(value & 0xFF));
    AppendU8(static_cast<uint8_t>(value >> 8));
}

void Kx2FrameBuilder::AppendU32(uint32_t value) {
    AppendU16(static_cast<uint16_t>(value & 0xFFFF));
    AppendU16(static_cast<uint16_t>(value >> 16));
}

void Kx2FrameBuilder::CloseFrame() {
    // The CRC covers the length field, so the length goes in first.
    const uint16_t total = static_cast<uint16_t>(bytes_.size() + kKx2TrailerSize);
    bytes_[kKx2LengthOffset] = static_cast<uint8_t>(total & 0xFF);
    bytes_[kKx2LengthOffset + 1] = static_cast<uint8_t>(total >> 8);
    AppendU16(Crc16(bytes_.data(), bytes_.size()));
    AppendU8(kKx2FrameEnd);
}

void BuildStartRequest(Kx2FrameBuilder& frame, const Kx2StartRequest& request) {
    frame.Begin(0, kKx2StartRequest);
    frame.AppendU32(request.fileLength);
    frame.AppendU32(request.baudRate);
    frame.AppendU16(request.maxPacketSize);
    frame.AppendU16(request.packetCount);
    frame.AppendU16(request.delayMs);
    frame.AppendU8(static_cast<uint8_t>(request.name.size()));
    frame.Append(reinterpret_cast<const uint8_t*>(request.name.data()), request.name.size());
    frame.AppendU8(0);
    frame.CloseFrame();
}

void BuildDataFrame(Kx2FrameBuilder& frame, uint16_t packetNumber, bool last, const uint8_t* data,
                    size_t count) {
    frame.Begin(packetNumber, last ? kKx2LastData : kKx2Data);
    frame.Append(data, count);
    frame.CloseFrame();
}

void BuildStatusRequest(Kx2FrameBuilder& frame) {
    frame.Begin(0, kKx2StatusRequest);
    frame.CloseFrame();
}

std::vector<uint8_t> BuildUnitFrame(uint8_t type) {
    Kx2FrameBuilder frame;
    frame.Begin(0, type);
    frame.CloseFrame();
    return frame.Bytes();
}

std::vector<uint8_t> BuildResendList(const std::vector<int16_t>& numbers) {
    Kx2FrameBuilder frame;
    frame.Begin(0, kKx2ResendList);
    for (int16_t number : numbers) {
        frame.AppendU16(static_cast<uint16_t>(number));
    }
    frame.CloseFrame();
    return frame.Bytes();
}

std::optional<Kx2StartRequest> ParseStartRequest(const uint8_t* payload, size_t count) {
    if (count < kKx2StartFixedPayload + kNulSize) {
        return std::nullopt;
    }
    const size_t nameLength = payload[kKx2StartFixedPayload - 1];
    if (count != kKx2StartFixedPayload + nameLength + kNulSize ||
        payload[kKx2StartFixedPayload + nameLength] != 0) {
        return std::nullopt;
    }
    Kx2StartRequest request;
    request.fileLength = ReadU32(payload);
    request.baudRate = ReadU32(payload + 4);
    request.maxPacketSize = Kx2ReadU16(payload + 8);
    request.packetCount = Kx2ReadU16(payload + 10);
    request.delayMs = Kx2ReadU16(payload + 12);
    request.name.assign(reinterpret_cast<const char*>(payload + kKx2StartFixedPayload), nameLength);
    if (request.name.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    return request;
}

void Kx2FrameReceiver::Start() {
    bytes_.clear();
    bytes_.push_back(kKx2FrameStart);
}

Kx2FrameReceiver::State Kx2FrameReceiver::Feed(uint8_t byte) {
    if (bytes_.size() >= kCapacity) {
        return State::kOverflow;
    }
    bytes_.push_back(byte);
    if (byte == kKx2FrameEnd && bytes_.size() > kKx2LengthOffset + 1 &&
        Kx2ReadU16(bytes_.data() + kKx2LengthOffset) == bytes_.size()) {
        return State::kComplete;
    }
    return State::kCollecting;
}

Kx2FrameType Kx2FrameReceiver::Type() const {
    // The end byte sits after the type byte in any frame that has one.
    if (bytes_.size() <= kKx2TypeOffset + 1) {
        return kKx2Unknown;
    }
    return DecodeUnitType(bytes_[kKx2TypeOffset]);
}

std::vector<int16_t> Kx2FrameReceiver::ResendNumbers() const {
    std::vector<int16_t> numbers;
    if (bytes_.size() < kKx2Overhead) {
        return numbers;
    }
    const size_t count = (bytes_.size() - kKx2Overhead) / 2;
    for (size_t i = 0; i < count; ++i) {
        numbers.push_back(static_cast<int16_t>(Kx2ReadU16(bytes_.data() + kKx2HeaderSize + 2 * i)));
    }
    return numbers;
}

std::vector<Kx2ParsedFrame> Kx2StreamParser::Feed(const uint8_t* data, size_t count) {
    pending_.insert(pending_.end(), data, data + count);
    std::vector<Kx2ParsedFrame> frames;
    while (TakeFrame(frames)) {
    }
    return frames;
}

void Kx2StreamParser::DropFront(size_t count, bool countAsSkipped) {
    count = std::min(count, pending_.size());
    if (countAsSkipped) {
        skippedBytes_ += count;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(count));
}

bool Kx2StreamParser::TakeFrame(std::vector<Kx2ParsedFrame>& out) {
    auto start = std::find(pending_.begin(), pending_.end(), kKx2FrameStart);
    DropFront(static_cast<size_t>(start - pending_.begin()), true);
    if (pending_.size() < kKx2HeaderSize) {
        return false;
    }
    const size_t length = Kx2ReadU16(pending_.data() + kKx2LengthOffset);
    if (pending_[1] != kKx2FrameMarker || length < kKx2Overhead || length > kKx2MaxFrame) {
        ++badFrames_;
        DropFront(1, true);
        return true;
    }
    if (pending_.size() < length) {
        return false;
    }
    const size_t crcAt = length - kKx2TrailerSize;
    const uint16_t crc = Crc16(pending_.data(), crcAt);
    if (pending_[length - 1] != kKx2FrameEnd || Kx2ReadU16(pending_.data() + crcAt) != crc) {
        ++badFrames_;
        DropFront(1, true);
        return true;
    }
    Kx2ParsedFrame frame;
    frame.packetNumber = Kx2ReadU16(pending_.data() + kKx2PacketNumberOffset);
    frame.type = pending_[kKx2TypeOffset];
    frame.payload.assign(pending_.begin() + kKx2HeaderSize,
                         pending_.begin() + static_cast<std::ptrdiff_t>(crcAt));
    out.push_back(std::move(frame));
    DropFront(length, false);
    return true;
}

}  // namespace quillon
