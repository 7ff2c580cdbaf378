// The KX2 frame layer on its own: bytes built for the host, frames collected from the unit, and
// the strict stream parser the simulated unit reads with.
#include "protocol/Kx2Frame.h"

#include <gtest/gtest.h>

#include <numeric>

#include "protocol/Crc16.h"

namespace quillon {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(Kx2FrameTest, StatusRequestIsTheKnownTenBytes) {
    Kx2FrameBuilder frame;
    BuildStatusRequest(frame);
    EXPECT_EQ(frame.Bytes(), (Bytes{0x01, 0x50, 0x0A, 0x00, 0x00, 0x00, 0x04, 0xDF, 0xCE, 0x17}));
}

// The length covers the whole frame; 16-bit fields, the CRC included, go low byte first.
TEST(Kx2FrameTest, DataFrameLayout) {
    Kx2FrameBuilder frame;
    const Bytes payload{0x10, 0x20, 0x30};
    BuildDataFrame(frame, 0x0102, true, payload.data(), payload.size());
    Bytes expected{0x01, 0x50, 13, 0, 0x02, 0x01, kKx2LastData, 0x10, 0x20, 0x30};
    const uint16_t crc = Crc16(expected.data(), expected.size());
    expected.insert(expected.end(), {static_cast<uint8_t>(crc & 0xFF),
                                     static_cast<uint8_t>(crc >> 8), kKx2FrameEnd});
    EXPECT_EQ(frame.Bytes(), expected);
}

TEST(Kx2FrameTest, StartRequestOfTheReferenceFile) {
    Kx2FrameBuilder frame;
    BuildStartRequest(frame, Kx2StartRequest{300000, 115200, 1024, 296, 150, "ABC.kx2"});
    const Bytes& b = frame.Bytes();
    ASSERT_EQ(b.size(), 33u);
    EXPECT_EQ(b[2], 33);
    EXPECT_EQ(b[kKx2TypeOffset], kKx2StartRequest);
    const Bytes expectedPayload{0xE0, 0x93, 0x04, 0x00,  // 300000
                                0x00, 0xC2, 0x01, 0x00,  // 115200
                                0x00, 0x04,              // 1024
                                0x28, 0x01,              // 296
                                0x96, 0x00,              // 150
                                7,    'A',  'B',  'C',  '.', 'k', 'x', '2', 0x00};
    EXPECT_EQ(Bytes(b.begin() + 7, b.end() - 3), expectedPayload);
    auto parsed = ParseStartRequest(expectedPayload.data(), expectedPayload.size());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->fileLength, 300000u);
    EXPECT_EQ(parsed->packetCount, 296);
    EXPECT_EQ(parsed->name, "ABC.kx2");
}

TEST(Kx2FrameTest, StartRequestPayloadThatDoesNotAddUpIsRejected) {
    Kx2FrameBuilder frame;
    BuildStartRequest(frame, Kx2StartRequest{10, 9600, 1024, 1, 0, "A.kx"});
    Bytes payload(frame.Bytes().begin() + 7, frame.Bytes().end() - 3);
    ASSERT_TRUE(ParseStartRequest(payload.data(), payload.size()));

    Bytes noNul = payload;
    noNul.pop_back();  // the name's NUL becomes a letter
    noNul.push_back('X');
    Bytes longerName = payload;
    longerName[14] = 5;
    Bytes innerNul = payload;
    innerNul[16] = 0;  // "A\0kx"
    Bytes truncated(payload.begin(), payload.begin() + 10);
    for (const Bytes& bad : {noNul, longerName, innerNul, truncated}) {
        EXPECT_FALSE(ParseStartRequest(bad.data(), bad.size()));
    }
}

// Feeds a frame into a receiver the way the uploader does; the state after each byte.
std::vector<Kx2FrameReceiver::State> FeedAll(Kx2FrameReceiver& receiver, const Bytes& frame) {
    std::vector<Kx2FrameReceiver::State> states;
    receiver.Start();
    for (size_t i = 1; i < frame.size(); ++i) {
        states.push_back(receiver.Feed(frame[i]));
    }
    return states;
}

// 0x17 inside the payload, and a packet number whose bytes look like a length, must not end the
// frame early; a frame too short for a type byte is complete but unknown, without numbers.
TEST(Kx2FrameTest, ReceiverCompletesOnlyOnTheEndByteAtTheAnnouncedLength) {
    const Bytes frame = BuildResendList({0x17, 0x0117, 5});
    Kx2FrameReceiver receiver;
    auto states = FeedAll(receiver, frame);
    for (size_t i = 0; i + 1 < states.size(); ++i) {
        EXPECT_EQ(states[i], Kx2FrameReceiver::State::kCollecting) << "byte " << i + 1;
    }
    EXPECT_EQ(states.back(), Kx2FrameReceiver::State::kComplete);
    EXPECT_EQ(receiver.Type(), kKx2ResendList);
    EXPECT_EQ(receiver.ResendNumbers(), (std::vector<int16_t>{0x17, 0x0117, 5}));
    EXPECT_EQ(FeedAll(receiver, Bytes{0x01, 0x50, 0x05, 0x00, 0x17}).back(),
              Kx2FrameReceiver::State::kComplete);
    EXPECT_EQ(receiver.Type(), kKx2Unknown);
    EXPECT_TRUE(receiver.ResendNumbers().empty());
}

// The receiver does not check the CRC of the unit's frames.
TEST(Kx2FrameTest, UnitTypesDecode) {
    const std::pair<uint8_t, Kx2FrameType> cases[] = {
        {10, kKx2Complete},  {12, kKx2Cancel},   {13, kKx2ResendList}, {14, kKx2BeginUpload},
        {0, kKx2Unknown},    {1, kKx2Unknown},   {3, kKx2Unknown},     {11, kKx2Unknown},
        {0x2A, kKx2Unknown}, {0xFF, kKx2Unknown}};
    for (const auto& [byte, type] : cases) {
        Bytes frame = BuildUnitFrame(byte);
        frame[7] ^= 0xFF;
        Kx2FrameReceiver receiver;
        EXPECT_EQ(FeedAll(receiver, frame).back(), Kx2FrameReceiver::State::kComplete);
        EXPECT_EQ(receiver.Type(), type) << int(byte);
    }
}

TEST(Kx2FrameTest, ReceiverRefusesToGrowPastItsCapacity) {
    Kx2FrameReceiver receiver;
    receiver.Start();
    Kx2FrameReceiver::State last = Kx2FrameReceiver::State::kCollecting;
    for (size_t i = 0; i < Kx2FrameReceiver::kCapacity + 10; ++i) {
        last = receiver.Feed(0x55);
    }
    EXPECT_EQ(last, Kx2FrameReceiver::State::kOverflow);
    EXPECT_EQ(receiver.Bytes().size(), Kx2FrameReceiver::kCapacity);
}

TEST(Kx2FrameTest, StreamParserFindsTheSameFramesWhateverTheSplit) {
    Bytes data(1014);
    std::iota(data.begin(), data.end(), 0);  // holds 0x01 and 0x17 bytes
    Kx2FrameBuilder frame;
    BuildDataFrame(frame, 1, false, data.data(), data.size());
    Bytes stream = frame.Bytes();
    const Bytes status = BuildUnitFrame(kKx2StatusRequest);  // no payload
    stream.insert(stream.end(), status.begin(), status.end());
    for (size_t chunk : {size_t{1}, size_t{3}, size_t{64}, stream.size()}) {
        Kx2StreamParser parser;
        std::vector<Kx2ParsedFrame> frames;
        for (size_t at = 0; at < stream.size(); at += chunk) {
            auto got = parser.Feed(stream.data() + at, std::min(chunk, stream.size() - at));
            frames.insert(frames.end(), got.begin(), got.end());
        }
        ASSERT_EQ(frames.size(), 2u) << "chunk " << chunk;
        EXPECT_EQ(frames[0].type, kKx2Data);
        EXPECT_EQ(frames[0].packetNumber, 1);
        EXPECT_EQ(frames[0].payload, data);
        EXPECT_EQ(frames[1].type, kKx2StatusRequest);
        EXPECT_EQ(parser.BadFrames() + parser.SkippedBytes(), 0u);
    }
}

TEST(Kx2FrameTest, StreamParserSkipsNoiseAndDamagedFramesAndResynchronises) {
    Bytes status = BuildUnitFrame(kKx2StatusRequest);
    Bytes badCrc = status;
    badCrc[7] ^= 0x01;
    Bytes badEnd = status;
    badEnd.back() = 0x18;
    Bytes badLength{0x01, 0x50, 0x03, 0x00};  // shorter than any frame
    Bytes stream{0x55, 0xAA};
    for (const Bytes* part : {&badCrc, &badEnd, &badLength, &status}) {
        stream.insert(stream.end(), part->begin(), part->end());
    }
    Kx2StreamParser parser;
    auto frames = parser.Feed(stream.data(), stream.size());
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].type, kKx2StatusRequest);
    EXPECT_EQ(parser.BadFrames(), 3u);
    EXPECT_EQ(parser.SkippedBytes(), stream.size() - status.size());
}

}  // namespace
}  // namespace quillon
