#include "serial/SerialPort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/FakeClock.h"
#include "tests/support/FakeSerialBackend.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/RowName.h"
#include "upload/UploadWorkers.h"

namespace quillon {
namespace {

struct BaudCase {
    int rate;
    uint8_t code;
};

class BaudCodeTest : public ::testing::TestWithParam<BaudCase> {};

TEST_P(BaudCodeTest, MapsRateToLibraryCode) {
    EXPECT_EQ(SerialPort::BaudCode(GetParam().rate), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Table, BaudCodeTest,
                         ::testing::Values(BaudCase{1200, 2}, BaudCase{2400, 3}, BaudCase{4800, 4},
                                           BaudCase{9600, 5}, BaudCase{19200, 6},
                                           BaudCase{38400, 7}, BaudCase{57600, 8},
                                           BaudCase{115200, 9},
                                           // Anything else runs at 19200.
                                           BaudCase{0, 6}, BaudCase{300, 6}, BaudCase{14400, 6},
                                           BaudCase{28800, 6}, BaudCase{-9600, 6},
                                           BaudCase{230400, 6}),
                         test::RowNames([](const BaudCase& c) { return std::to_string(c.rate); }));

TEST(OpenPortTest, ResetsSetsBaudAndRaisesBothModemLinesInThatOrder) {
    test::FakeSerialBackend line;
    SerialPort port(line);

    EXPECT_EQ(port.OpenPort(4, 9), 0);

    EXPECT_EQ(line.Calls(), (std::vector<std::string>{"ResetPort(4,2048,1024)", "SetBaud(4,9)",
                                                      "SetDtr(4,S)", "SetRts(4,S)"}));
    EXPECT_EQ(port.PortIndex(), 4);
}

TEST(OpenPortTest, RefusedResetEndsTheOpenWithTheLibraryCode) {
    test::FakeSerialBackend line;
    line.resetResult = kSerialPortBusy;
    SerialPort port(line);

    EXPECT_EQ(port.OpenPort(2, 6), kSerialPortBusy);

    EXPECT_EQ(line.Calls(), std::vector<std::string>{"ResetPort(2,2048,1024)"});
}

// The port is open once the reset succeeded: a refused baud rate must not leave it held.
TEST(OpenPortTest, APortRefusedAfterItOpenedIsClosedAgainByTheWorker) {
    test::FakeSerialBackend line;
    line.baudResult = kSerialBadBaud;
    test::FakeClock clock;
    ProgramState state;
    test::RecordingSink sink;
    UploadJob job;
    job.notifications = &sink;
    job.portNumber = 4;
    job.baudRate = 9600;
    WorkerContext context{line, clock, state, {}};

    EXPECT_EQ(RunWorkerFrame(job, context, [](SerialPort&) { return RunOutcome::kCompleted; }), 1);

    EXPECT_EQ(line.Calls(),
              (std::vector<std::string>{"ResetPort(3,2048,1024)", "SetBaud(3,5)", "ClosePort(3)"}));
    EXPECT_EQ(job.outcome, RunOutcome::kPortOpenFailed);
}

TEST(OpenPortTest, ClearPendingMakesBothClearingCallsFirstThenSecond) {
    test::FakeSerialBackend line;
    SerialPort port(line);
    ASSERT_EQ(port.OpenPort(7, 6), 0);

    port.ClearPending();

    std::vector<std::string> calls = line.Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "ClearTransmitQueue(7)");
    EXPECT_EQ(calls.back(), "ClearReceiveQueue(7)");
}

}  // namespace
}  // namespace quillon
