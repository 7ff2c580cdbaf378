// The built-in simulated unit of --simulate on this platform's line (a pseudo-terminal, or the
// in-process loopback on Windows): its serial library keeps the unit running for whoever holds
// it, as a worker may outlive the window that started the unit.
#include <gtest/gtest.h>

#include "session/UploadSession.h"
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

}  // namespace
}  // namespace quillon
