// Shared pieces of the KX2 tests: a scripted unit on the fake line that parses what the host
// writes, and helpers to make .kx files and read the history.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "program/ProgramState.h"
#include "protocol/Kx2Frame.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeSerialBackend.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TempDir.h"
#include "upload/UploadJob.h"

namespace quillon::test {

// File bytes that differ from packet to packet and hold frame bytes (0x01, 0x17) inside.
inline std::string Kx2FileContent(size_t size) {
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        content[i] = static_cast<char>((i * 31 + i / 1014) & 0xFF);
    }
    return content;
}

// The host's frames as the fake line received them, and a hook that answers each one.
class ScriptedKx2Line {
  public:
    using Answer = std::function<void(const Kx2ParsedFrame&, ScriptedKx2Line&)>;

    explicit ScriptedKx2Line(FakeSerialBackend& line) : line_(line) {
        line_.onWrite = [this](const std::vector<uint8_t>& bytes) {
            for (Kx2ParsedFrame& frame : parser_.Feed(bytes.data(), bytes.size())) {
                frames_.push_back(frame);
                if (answer) {
                    answer(frames_.back(), *this);
                }
            }
        };
    }

    Answer answer;

    void Reply(uint8_t type) { line_.Receive(BuildUnitFrame(type)); }
    void ReplyBytes(const std::vector<uint8_t>& bytes) { line_.Receive(bytes); }

    const std::vector<Kx2ParsedFrame>& Frames() const { return frames_; }
    // The packet numbers of the data frames in order, negative for a frame marked as the last.
    std::vector<int> DataFrames() const {
        std::vector<int> numbers;
        for (const Kx2ParsedFrame& f : frames_) {
            if (f.type == kKx2Data || f.type == kKx2LastData) {
                numbers.push_back(f.type == kKx2LastData ? -f.packetNumber : f.packetNumber);
            }
        }
        return numbers;
    }
    size_t CountType(uint8_t type) const {
        size_t n = 0;
        for (const Kx2ParsedFrame& f : frames_) {
            n += f.type == type ? 1 : 0;
        }
        return n;
    }

  private:
    FakeSerialBackend& line_;
    Kx2StreamParser parser_;
    std::vector<Kx2ParsedFrame> frames_;
};

// The unit every test starts from: "Begin Upload" to a start request, "complete" after a pass.
inline void HonestKx2(const Kx2ParsedFrame& frame, ScriptedKx2Line& line) {
    if (frame.type == kKx2StartRequest) {
        line.Reply(kKx2BeginUpload);
    } else if (frame.type == kKx2LastData || frame.type == kKx2StatusRequest) {
        line.Reply(kKx2Complete);
    }
}

}  // namespace quillon::test
