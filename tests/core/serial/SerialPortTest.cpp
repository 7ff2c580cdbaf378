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

// The ends of the table, a rate near its middle, and rates the library has no code for (the
// old 14400 and 28800 among them), which run at 19200.
INSTANTIATE_TEST_SUITE_P(Table, BaudCodeTest,
                         ::testing::Values(BaudCase{1200, 2}, BaudCase{57600, 8},
                                           BaudCase{115200, 9}, BaudCase{0, 6}, BaudCase{14400, 6},
                                           BaudCase{28800, 6}, BaudCase{230400, 6}),
                         test::RowNames([](const BaudCase& c) { return std::to_string(c.rate); }));

// The port is reset, given its rate and both modem lines, in that order, and clearing it clears
// both queues; a refusal ends the open with the library's code.
TEST(OpenPortTest, ResetsSetsBaudAndRaisesBothModemLinesUnlessRefused) {
    test::FakeSerialBackend line;
    SerialPort port(line);
    EXPECT_EQ(port.OpenPort(4, 9), 0);
    port.ClearPending();
    EXPECT_EQ(line.Calls(), (std::vector<std::string>{
                                "ResetPort(4,2048,1024)", "SetBaud(4,9)", "SetDtr(4,S)",
                                "SetRts(4,S)", "ClearTransmitQueue(4)", "ClearReceiveQueue(4)"}));

    test::FakeSerialBackend busy;
    busy.resetResult = kSerialPortBusy;
    EXPECT_EQ(SerialPort(busy).OpenPort(2, 6), kSerialPortBusy);
    EXPECT_EQ(busy.Calls(), std::vector<std::string>{"ResetPort(2,2048,1024)"});
}

TEST(OpenPortTest, APortRefusedAfterItOpenedIsClosedAgainByTheWorker) {
    test::FakeSerialBackend line;
    line.baudResult = kSerialBadBaud;
    test::FakeClock clock;
    ProgramState state;
    test::RecordingSink sink;
    UploadJob job;
    job.events = &sink;
    job.portNumber = 4;
    job.baudRate = 9600;
    WorkerContext context{line, clock, state};

    EXPECT_EQ(RunOnOpenPort(job, context, [](SerialPort&) { return RunOutcome::kCompleted; }), 1);

    EXPECT_EQ(line.Calls(),
              (std::vector<std::string>{"ResetPort(3,2048,1024)", "SetBaud(3,5)", "ClosePort(3)"}));
    EXPECT_EQ(job.outcome, RunOutcome::kPortOpenFailed);
}

}  // namespace
}  // namespace quillon
