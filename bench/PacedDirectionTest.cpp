#include "bench/PacedDirection.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <numeric>
#include <vector>

namespace quillon::bench {
namespace {

constexpr int64_t kMs = 1'000'000;
// 10 000 baud: a byte (10 bits) takes exactly 1 ms on the line.
constexpr uint32_t kBaudOneMsPerByte = 10'000;

// A non-blocking pipe standing in for the far side's master.
class FarSide {
  public:
    FarSide() { EXPECT_EQ(::pipe2(fds_, O_NONBLOCK | O_CLOEXEC), 0); }
    ~FarSide() {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    int WriteFd() const { return fds_[1]; }
    // Shrinks the pipe to one page, so that a queue's worth of bytes cannot all go in at once.
    void MakeSmall() { ASSERT_GT(::fcntl(fds_[1], F_SETPIPE_SZ, 4096), 0); }
    std::vector<uint8_t> Drain() {
        std::vector<uint8_t> out;
        uint8_t buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(fds_[0], buffer, sizeof buffer)) > 0) {
            out.insert(out.end(), buffer, buffer + n);
        }
        return out;
    }

  private:
    int fds_[2] = {-1, -1};
};

std::vector<uint8_t> Bytes(size_t count, uint8_t first = 0) {
    std::vector<uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

struct DueCase {
    const char* what;
    std::vector<std::pair<int64_t, size_t>> arrivals;  // (time, byte count)
    int64_t at;
    size_t deliveredBy;
};

TEST(PacedDirectionTest, BytesArriveNoEarlierThanTheirLastBit) {
    const DueCase cases[] = {
        {"not before the first byte's stop bit", {{0, 4}}, 1 * kMs - 1, 0},
        {"one byte per byte time", {{0, 4}}, 1 * kMs, 1},
        {"a burst in order", {{0, 4}}, 3 * kMs + kMs / 2, 3},
        {"the whole burst", {{0, 4}}, 4 * kMs, 4},
        {"bytes written while the line is busy queue behind", {{0, 2}, {1 * kMs, 2}}, 3 * kMs, 3},
        {"... and end back to back", {{0, 2}, {1 * kMs, 2}}, 4 * kMs, 4},
        {"a byte after a quiet line starts when it comes",
         {{0, 1}, {10 * kMs, 1}},
         11 * kMs - 1,
         1},
        {"... and takes one byte time", {{0, 1}, {10 * kMs, 1}}, 11 * kMs, 2},
    };
    for (const DueCase& c : cases) {
        SCOPED_TRACE(c.what);
        FarSide far;
        PacedDirection line(-1, far.WriteFd(), kBaudOneMsPerByte);
        std::vector<uint8_t> sent;
        for (const auto& [time, count] : c.arrivals) {
            const std::vector<uint8_t> bytes = Bytes(count, static_cast<uint8_t>(sent.size()));
            line.Deliver(time);
            line.Accept(bytes.data(), bytes.size(), time);
            sent.insert(sent.end(), bytes.begin(), bytes.end());
        }
        line.Deliver(c.at);
        const std::vector<uint8_t> got = far.Drain();
        ASSERT_EQ(got.size(), c.deliveredBy);
        EXPECT_TRUE(std::equal(got.begin(), got.end(), sent.begin()));
    }
}

TEST(PacedDirectionTest, WakesForTheLastByteOfABurstExactlyAndOtherwiseInBursts) {
    FarSide far;
    PacedDirection line(-1, far.WriteFd(), kBaudOneMsPerByte);
    EXPECT_FALSE(line.NextWake().has_value());
    const std::vector<uint8_t> answer = Bytes(4);
    line.Accept(answer.data(), answer.size(), 0);
    // The answer takes 4 ms, longer than a burst interval: the first wake-up comes one interval
    // after its first byte is due.
    ASSERT_TRUE(line.NextWake().has_value());
    EXPECT_EQ(*line.NextWake(), 1 * kMs + PacedDirection::kBurstNanos);
    line.Deliver(3 * kMs);
    EXPECT_EQ(*line.NextWake(), 4 * kMs);  // the last byte: no burst slack
    line.Deliver(4 * kMs);
    EXPECT_FALSE(line.NextWake().has_value());
    EXPECT_EQ(far.Drain(), answer);
}

TEST(PacedDirectionTest, UnpacedPassesEverythingAtOnce) {
    FarSide far;
    PacedDirection line(-1, far.WriteFd(), 0);
    const std::vector<uint8_t> bytes = Bytes(1000);
    line.Accept(bytes.data(), bytes.size(), 5 * kMs);
    line.Deliver(5 * kMs);
    EXPECT_EQ(far.Drain(), bytes);
    EXPECT_EQ(line.BytesIn(), 1000u);
    EXPECT_EQ(line.BytesOut(), 1000u);
}

TEST(PacedDirectionTest, AFullFarSideKeepsTheBytesInOrderUntilItTakesThem) {
    FarSide far;
    far.MakeSmall();
    PacedDirection line(-1, far.WriteFd(), 0);
    std::vector<uint8_t> bytes(PacedDirection::kQueueCap - 1);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    }
    line.Accept(bytes.data(), bytes.size(), 0);
    line.Deliver(0);
    ASSERT_TRUE(line.Blocked());
    EXPECT_FALSE(line.NextWake().has_value());  // waits for the far side, not for a time
    std::vector<uint8_t> got = far.Drain();
    for (int round = 0; round < 100 && got.size() < bytes.size(); ++round) {
        line.Deliver(0);
        const std::vector<uint8_t> more = far.Drain();
        got.insert(got.end(), more.begin(), more.end());
    }
    EXPECT_EQ(got, bytes);
    EXPECT_FALSE(line.Blocked());
    EXPECT_EQ(line.BytesOut(), bytes.size());
}

TEST(PacedDirectionTest, StopsReadingWhenItsQueueIsFull) {
    FarSide far;
    PacedDirection line(-1, far.WriteFd(), kBaudOneMsPerByte);
    const std::vector<uint8_t> bytes(PacedDirection::kQueueCap, 0x55);
    EXPECT_TRUE(line.WantsInput());
    line.Accept(bytes.data(), bytes.size(), 0);
    EXPECT_FALSE(line.WantsInput());
    line.Deliver(1 * kMs);
    EXPECT_TRUE(line.WantsInput());
}

}  // namespace
}  // namespace quillon::bench
