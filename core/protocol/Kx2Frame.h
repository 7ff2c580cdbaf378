// The KX2 wire frame: 01 50, total length, packet number, type, payload, CRC-16 (low byte first),
// 17. Builds host frames, collects the unit's frames byte by byte the way the uploader reads them,
// and parses a host byte stream strictly (the simulated unit's side). Nothing here touches a line
// or a clock; malformed input is reported as a result, never thrown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

inline constexpr uint8_t kKx2FrameStart = 0x01;
inline constexpr uint8_t kKx2FrameMarker = 0x50;
inline constexpr uint8_t kKx2FrameEnd = 0x17;
inline constexpr size_t kKx2LengthOffset = 2;
inline constexpr size_t kKx2PacketNumberOffset = 4;
inline constexpr size_t kKx2TypeOffset = 6;
inline constexpr size_t kKx2HeaderSize = 7;   // start, marker, length, packet number, type
inline constexpr size_t kKx2TrailerSize = 3;  // CRC low, CRC high, end
inline constexpr size_t kKx2Overhead = kKx2HeaderSize + kKx2TrailerSize;
// The largest frame either side builds: the outgoing buffer of the uploader.
inline constexpr size_t kKx2MaxFrame = 4096;

enum Kx2FrameType : uint8_t {
    kKx2Unknown = 0,  // what any unexpected type byte from the unit decodes as
    kKx2StartRequest = 1,
    kKx2Data = 2,
    kKx2LastData = 3,  // last of the file, or last of the unit's latest resend list
    kKx2StatusRequest = 4,
    kKx2Complete = 10,
    kKx2Cancel = 12,
    kKx2ResendList = 13,
    kKx2BeginUpload = 14,
};

// The unit's type byte as the uploader understands it: 10, 12, 13, 14, else kKx2Unknown.
Kx2FrameType DecodeUnitType(uint8_t typeByte);

// The little-endian 16-bit number at `bytes` (the caller checks that two bytes are there).
uint16_t Kx2ReadU16(const uint8_t* bytes);

// One frame under construction. Begin writes the header, Append the payload, CloseFrame the
// length, CRC and end byte. Bytes() is what goes on the wire in one write.
class Kx2FrameBuilder {
  public:
    Kx2FrameBuilder() { bytes_.reserve(kKx2MaxFrame); }

    void Begin(uint16_t packetNumber, uint8_t type);
    void Append(const uint8_t* data, size_t count);
    void AppendU8(uint8_t value) { bytes_.push_back(value); }
    void AppendU16(uint16_t value);
    void AppendU32(uint32_t value);
    // Length field = bytes so far + 3, CRC over the bytes so far (low byte first), then 0x17.
    void CloseFrame();

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    size_t Length() const { return bytes_.size(); }

  private:
    std::vector<uint8_t> bytes_;
};

// What the start request announces. The name is the file's name and extension.
struct Kx2StartRequest {
    uint32_t fileLength = 0;
    uint32_t baudRate = 0;
    uint16_t maxPacketSize = 0;
    uint16_t packetCount = 0;
    uint16_t delayMs = 0;
    std::string name;
};

inline constexpr size_t kKx2MaxNameLength = 49;
// Fixed part of the start request payload before the name: 4+4+2+2+2+1.
inline constexpr size_t kKx2StartFixedPayload = 15;

// Whole frames, closed and ready to write.
void BuildStartRequest(Kx2FrameBuilder& frame, const Kx2StartRequest& request);
void BuildDataFrame(Kx2FrameBuilder& frame, uint16_t packetNumber, bool last, const uint8_t* data,
                    size_t count);
void BuildStatusRequest(Kx2FrameBuilder& frame);
// Unit frames (the simulated unit's answers): packet number 0, empty payload.
std::vector<uint8_t> BuildUnitFrame(uint8_t type);
// A resend list naming `numbers`.
std::vector<uint8_t> BuildResendList(const std::vector<int16_t>& numbers);

// The payload of a start request; nullopt when its sizes or the NUL after the name are wrong.
std::optional<Kx2StartRequest> ParseStartRequest(const uint8_t* payload, size_t count);

// Collects one frame from the unit the way the uploader reads it: the caller hands in the 0x01
// that opened it, then each following byte. A frame is complete when a 0x17 arrives and the
// length field equals the bytes received so far; the CRC is not examined.
class Kx2FrameReceiver {
  public:
    static constexpr size_t kCapacity = 1024;

    enum class State { kCollecting, kComplete, kOverflow };

    void Start();  // the 0x01 has arrived
    State Feed(uint8_t byte);

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    // Type of a complete frame (kKx2Unknown for a frame too short to carry one).
    Kx2FrameType Type() const;
    // The packet numbers of a resend list: (length - 10) / 2 signed 16-bit numbers from offset 7.
    std::vector<int16_t> ResendNumbers() const;

  private:
    std::vector<uint8_t> bytes_;
};

// One frame as a strict reader sees it (the simulated unit reading what the host sent).
struct Kx2ParsedFrame {
    uint16_t packetNumber = 0;
    uint8_t type = 0;
    std::vector<uint8_t> payload;
};

// Splits a byte stream (any split) into frames, checking marker, length, CRC and end byte.
// A bad frame is counted and skipped: the parser looks for the next 0x01 after its start.
class Kx2StreamParser {
  public:
    // Appends bytes; returns the frames completed by them.
    std::vector<Kx2ParsedFrame> Feed(const uint8_t* data, size_t count);
    size_t BadFrames() const { return badFrames_; }
    size_t SkippedBytes() const { return skippedBytes_; }

  private:
    // One frame from the front of pending_, or nothing when more bytes are needed.
    bool TakeFrame(std::vector<Kx2ParsedFrame>& out);
    void DropFront(size_t count, bool countAsSkipped);

    std::vector<uint8_t> pending_;
    size_t badFrames_ = 0;
    size_t skippedBytes_ = 0;
};

}  // namespace quillon
