// The KX2 worker end to end: RunKx2UploadWorker with the POSIX serial library on a real
// pseudo-terminal, the simulated KX2 unit on the other end, and a fake clock.
#include <gtest/gtest.h>

#include <memory>

#include "serial/PosixSerialBackend.h"
#include "sim/Kx2Unit.h"
#include "sim/UnitRunner.h"
#include "tests/core/upload/Kx2TestSupport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/TempDir.h"
#include "upload/UploadWorkers.h"

namespace quillon {
namespace {

constexpr size_t kDefaultPayload = 1014;

class Kx2PtyUploadTest : public ::testing::Test {
  protected:
    // Runs one whole worker against a unit with the scenario; scale is the fake clock's.
    void Run(const sim::Kx2Scenario& scenario, size_t fileSize, uint32_t clockScale = 20) {
        state.appDir = dir.Dir();
        dir.Write("Quillon.ini", "[Logs]\nLog Messages=1\nLog Serial Data=1\n");
        content = test::Kx2FileContent(fileSize);
        unit = std::make_unique<sim::Kx2Unit>(scenario);
        runner = std::make_unique<sim::UnitRunner>(*unit);
        runner->Start();
        clock = std::make_unique<test::FakeClock>(test::FakeClock::DefaultStart(), clockScale);

        job.commFile = dir.Write("FIRMWARE.kx", content);
        job.portNumber = 4;
        job.baudRate = 115200;
        job.portDevice = runner->DevicePath();
        job.notifications = &sink;
        WorkerContext context{serial, *clock, state, [&](int index, const std::string& device) {
                                  serial.SetDevice(index, device);
                              }};
        exitCode = RunKx2UploadWorker(job, context);
        runner->Stop();
        report = unit->GetReport();
    }
    bool Logged(const std::string& text) const {
        for (const std::string& line : sink.LogLines()) {
            if (line == text) {
                return true;
            }
        }
        return false;
    }
    std::string History() const { return dir.Read("History.txt"); }

    test::TempDir dir;
    ProgramState state;
    PosixSerialBackend serial;
    test::RecordingSink sink;
    UploadJob job;
    std::string content;
    std::unique_ptr<sim::Kx2Unit> unit;
    std::unique_ptr<sim::UnitRunner> runner;
    std::unique_ptr<test::FakeClock> clock;
    int exitCode = -1;
    sim::Kx2Unit::Report report;
};

std::vector<uint8_t> AsBytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

TEST_F(Kx2PtyUploadTest, CleanUploadDeliversTheFileByteExact) {
    Run({}, 300000);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(job.outcome.load(), RunOutcome::kCompleted);
    EXPECT_EQ(job.finished.load(), 1);
    ASSERT_TRUE(report.start);
    EXPECT_EQ(report.start->packetCount, 296);
    EXPECT_EQ(report.start->name, "FIRMWARE.kx");
    EXPECT_EQ(report.start->baudRate, 115200u);
    EXPECT_TRUE(report.complete);
    EXPECT_TRUE(report.imageMatchesLength);
    EXPECT_EQ(report.image, AsBytes(content));
    EXPECT_EQ(report.badFrames, 0u);
    EXPECT_EQ(report.badStartRequests, 0u);
    EXPECT_EQ(report.badDataFrames, 0u);
    EXPECT_EQ(report.dataFrames.size(), 296u);

    const auto codes = sink.Codes();
    EXPECT_EQ(codes.back(), UM_WORKER_DONE);
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 0u);
    EXPECT_EQ(sink.Count(UM_FILE_DONE), 0u);
    EXPECT_EQ(sink.Count(UM_TX_BYTES), 0u);
    EXPECT_EQ(sink.Count(UM_RX_BYTES), 0u);
    const auto lines = sink.LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Prep 2: Success; open serial port 4, baud-rate 115200= \n");
}

TEST_F(Kx2PtyUploadTest, LostPacketsAreListedAndSentAgain) {
    sim::Kx2Scenario scenario;
    scenario.losePackets = {3, 7, 12};
    Run(scenario, 12 * kDefaultPayload + 100);
    EXPECT_EQ(job.outcome.load(), RunOutcome::kCompleted);
    EXPECT_EQ(report.image, AsBytes(content));
    // First pass 1..13, then exactly the lost ones, 12 as the last of the list.
    ASSERT_EQ(report.dataFrames.size(), 16u);
    EXPECT_EQ(std::vector<int>(report.dataFrames.begin() + 13, report.dataFrames.end()),
              (std::vector<int>{3, 7, 12}));
    EXPECT_EQ(report.lastFrames, (std::vector<int>{13, 12}));
    EXPECT_NE(std::find(report.answers.begin(), report.answers.end(), kKx2ResendList),
              report.answers.end());
}

TEST_F(Kx2PtyUploadTest, UnitCancellingAfterAPacketFailsTheUpload) {
    sim::Kx2Scenario scenario;
    scenario.cancelAfterPacket = 4;
    Run(scenario, 10 * kDefaultPayload);
    EXPECT_EQ(job.outcome.load(), RunOutcome::kFailed);
    EXPECT_TRUE(Logged("CAUTION: KX2 canceled the session. Will Abort\n"));
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 1u);
    EXPECT_NE(History().find("ERROR = KX2 canceled"), std::string::npos);
    EXPECT_EQ(sink.Codes().back(), UM_WORKER_DONE);
}

TEST_F(Kx2PtyUploadTest, EndlessFloodEndsInGivingUp) {
    sim::Kx2Scenario scenario;
    scenario.floodForever = true;
    scenario.silentStartRequests = 3;
    Run(scenario, 3 * kDefaultPayload);
    EXPECT_EQ(report.startRequests, 3u);
    EXPECT_EQ(job.outcome.load(), RunOutcome::kFailed);
    EXPECT_TRUE(Logged("Giving Up! Did not get proper response from KX2 after 3 tries\n"));
    EXPECT_EQ(sink.Codes().back(), UM_WORKER_DONE);
}

}  // namespace
}  // namespace quillon
