// Bytes from a KX2 unit (or a noisy line) as the uploader's frame receiver collects them, the
// frame decoding on top (type, resend list), and the same bytes through the strict parser the
// simulated unit uses. Nothing may read outside what arrived, and a frame never grows past the
// receiver's capacity.
#include <cstdint>

#include "fuzz/FuzzInput.h"
#include "protocol/Kx2Frame.h"

namespace {

using namespace quillon;

void CheckReceiver(const std::vector<uint8_t>& bytes) {
    Kx2FrameReceiver receiver;
    bool collecting = false;
    for (uint8_t b : bytes) {
        if (!collecting) {
            if (b == kKx2FrameStart) {
                receiver.Start();
                collecting = true;
            }
            continue;
        }
        const Kx2FrameReceiver::State state = receiver.Feed(b);
        QUILLON_FUZZ_CHECK(receiver.Bytes().size() <= Kx2FrameReceiver::kCapacity);
        if (state == Kx2FrameReceiver::State::kCollecting) {
            continue;
        }
        collecting = false;
        if (state == Kx2FrameReceiver::State::kComplete) {
            const auto& frame = receiver.Bytes();
            QUILLON_FUZZ_CHECK(frame.back() == kKx2FrameEnd);
            QUILLON_FUZZ_CHECK(Kx2ReadU16(frame.data() + kKx2LengthOffset) == frame.size());
            const Kx2FrameType type = receiver.Type();
            const std::vector<int16_t> numbers = receiver.ResendNumbers();
            QUILLON_FUZZ_CHECK(numbers.size() * 2 <= frame.size());
            (void)DecodeUnitType(static_cast<uint8_t>(type));
        }
    }
}

void CheckParser(const std::vector<uint8_t>& bytes, size_t split) {
    Kx2StreamParser parser;
    split = bytes.empty() ? 0 : split % (bytes.size() + 1);
    auto frames = parser.Feed(bytes.data(), split);
    auto more = parser.Feed(bytes.data() + split, bytes.size() - split);
    frames.insert(frames.end(), more.begin(), more.end());
    size_t framed = 0;
    for (const Kx2ParsedFrame& frame : frames) {
        framed += frame.payload.size() + kKx2Overhead;
        if (frame.type == kKx2StartRequest) {
            (void)ParseStartRequest(frame.payload.data(), frame.payload.size());
        }
    }
    QUILLON_FUZZ_CHECK(framed + parser.SkippedBytes() <= bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzInput in(data, size);
    const size_t split = in.Byte();
    const std::vector<uint8_t> bytes = in.Rest();
    CheckReceiver(bytes);
    CheckParser(bytes, split);
    (void)ParseStartRequest(bytes.data(), bytes.size());
    return 0;
}
