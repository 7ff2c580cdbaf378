// The built-in simulated unit of --simulate on this platform's line (a pseudo-terminal, or the
// in-process loopback on Windows): its serial library keeps the unit running for whoever holds
// it, as a worker may outlive the window that started the unit. And the line's byte queue, which
// must pass a flood read in small pieces once and in order, past the points where it compacts.
#include <gtest/gtest.h>

#include <numeric>

#include "session/UploadSession.h"
#include "sim/ByteQueue.h"
#include "sim/SimulatedLine.h"
#include "tests/core/upload/HbdTestSupport.h"
#include "tests/core/upload/Kx2TestSupport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/RecordingReporter.h"
#include "tests/support/RowName.h"

namespace quillon {
namespace {

class SimulatedLineTest : public ::testing::TestWithParam<bool> {};

TEST_P(SimulatedLineTest, AnUploadThroughItsLibraryCompletesAfterTheLineObjectHasGone) {
    const bool kx2 = GetParam();
    std::string error;
    std::shared_ptr<SerialBackend> library;
    std::string device;
    {
        const std::unique_ptr<sim::SimulatedLine> line = sim::SimulatedLine::Start(kx2, &error);
        ASSERT_TRUE(line) << error;
        library = line->Backend();
        device = line->DevicePath();
    }
    test::TempDir dir;
    const std::string file =
        kx2 ? dir.Write("UNIT.kx", test::Kx2FileContent(3000))
            : dir.Write("COMM.bin", test::PatternBytes(kBoardHeaderBytes + 2048, 1));
    test::FakeClock clock;
    ProgramState state;
    state.appDir = dir.Dir();
    UploadSession session(state, clock);
    test::RecordingReporter errors;
    const PortName port{1, device};
    ASSERT_TRUE(session.CheckFiles({file, std::nullopt, std::nullopt}, kx2, false,
                                   IniFile(state.IniPath()), errors));
    ASSERT_TRUE(session.CheckPort(std::move(library), port, 115200, errors)) << errors.shown;
    test::RecordingSink sink;
    session.Start(RunLine{port, 115200},
                  std::shared_ptr<EventSink>(std::shared_ptr<void>(), &sink));
    session.Wait();
    EXPECT_EQ(session.Outcome(), RunOutcome::kCompleted) << device;
}

INSTANTIATE_TEST_SUITE_P(Units, SimulatedLineTest, ::testing::Values(false, true),
                         test::RowNames([](bool kx2) { return kx2 ? "KX2" : "HBD"; }));

TEST(ByteQueueTest, BytesComeOutOnceAndInOrderWhileTheQueueNeverEmpties) {
    sim::ByteQueue queue;
    std::vector<uint8_t> sent(18000);
    std::iota(sent.begin(), sent.end(), uint8_t{0});
    std::vector<uint8_t> taken(sent.size());
    size_t got = 0;
    for (auto in = sent.begin(); in != sent.end(); in += 9) {  // 9 in, 8 out: never empty
        queue.Append(in, in + 9);
        got += queue.Take(&taken[got], 8);
    }
    queue.Take(&taken[got], taken.size() - got);
    EXPECT_EQ(taken, sent);
}

}  // namespace
}  // namespace quillon
