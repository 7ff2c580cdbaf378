// quillon7-cli end to end: the real program against simulated units on real pseudo-terminals.
#include <gtest/gtest.h>

#include <sstream>

#include "firmware/SampleFirmware.h"
#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#include "sim/PtyPair.h"
#include "sim/UnitRunner.h"
#include "tests/cli/ProcessRunner.h"
#include "tests/reliability/HangupAfterBytes.h"
#include "tests/support/TempDir.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using test::Process;
using test::ProcessResult;
using test::TempDir;

// Waits and retries cut to their minimum, so failure paths take a few seconds at most.
constexpr char kFastSettings[] =
    "[HBD Params]\n"
    "Retransmit Control Packets=1\n"
    "Retransmit Data Packets=1\n"
    "Wait for HBD Response=4\n"
    "Delay after File Upload=45\n"
    "[Logs]\n"
    "Log Messages=1\n";

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override { dir_.Write("Quillon.ini", kFastSettings); }

    std::string Sample(SampleKind kind, size_t size, const char* name) {
        std::string path = dir_.File(name);
        std::string error;
        EXPECT_TRUE(WriteFileBytes(path, MakeSampleImage(kind, size), &error)) << error;
        return path;
    }

    ProcessResult Run(std::vector<std::string> args, std::chrono::milliseconds deadline = 60s) {
        args.insert(args.begin(), QUILLON_CLI_PATH);
        Process process(args, {"NO_COLOR=1"});
        process.CloseStdin();
        return process.Finish(deadline);
    }
    std::vector<std::string> Upload(std::vector<std::string> more) {
        std::vector<std::string> args{"upload", "--app-dir", dir_.Dir()};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    TempDir dir_;
};

TEST_F(CliTest, UsageErrorsExitWithTwo) {
    struct Case {
        std::vector<std::string> args;
        const char* expected;  // in stderr
    };
    const Case cases[] = {
        {{"frobnicate"}, "unknown command"},
        {{"upload", "--bogus"}, "unknown option --bogus"},
        {{"upload", "--comm"}, "needs a value"},
        {{"upload", "--kx", "a.kx", "--comm", "b.bin"}, "cannot be combined"},
        {{"upload", "--app-dir", "/tmp", "--port", "0", "--comm", "x.bin"}, "Error ID: 100"},
        {{"upload", "--baud", "12345", "--comm", "x.bin"},
         "--baud takes one of 9600, 14400, 19200, 28800, 38400, 57600, 115200, not '12345'"},
    };
    for (const Case& c : cases) {
        ProcessResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args[0] << " " << r.err;
        EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
    }
}

TEST_F(CliTest, NothingSelectedIsError200) {
    ProcessResult r = Run(Upload({"--simulate"}));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("Error ID: 200\nNo file has been selected to upload!"), std::string::npos)
        << r.err;
}

TEST_F(CliTest, RejectedFilesGiveTheirNumberAndText) {
    std::string small = Sample(SampleKind::kComm, 65535, "small.bin");
    ProcessResult r = Run(Upload({"--simulate", "--comm", small}));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("Error ID: 105\nFile: " + small +
                         "\nFile size test failed.\n\nCOMM File is too small"),
              std::string::npos)
        << r.err;

    std::string wrong = Sample(SampleKind::kComm, 65536, "comm.img");
    r = Run(Upload({"--simulate", "--comm", wrong}));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("Error ID: 210\nIncorrect file type selected"), std::string::npos)
        << r.err;

    // With validation off the size no longer matters.
    r = Run(Upload({"--simulate", "--no-validate", "--comm", small}));
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
}

TEST_F(CliTest, PortThatDoesNotOpenExitsWithThreeNamingTheRateOfTheLine) {
    std::string comm = Sample(SampleKind::kComm, 65536, "comm.bin");
    // 14400 has no code of its own: the line would run at 19200, and only that may be shown.
    ProcessResult r =
        Run(Upload({"--port", "/dev/quillon-no-such-port", "--baud", "14400", "--comm", comm}));
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("Error ID: 201\nFailed to open serial port!\n\nPort: "
                         "/dev/quillon-no-such-port\nBaud Rate: 19200"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("Baud Rate: 14400"), std::string::npos) << r.err;
}

TEST_F(CliTest, SimulatedUploadSucceedsAndIsRecorded) {
    std::string comm = Sample(SampleKind::kComm, 65536 + 4096, "comm.bin");
    ProcessResult r = Run(Upload({"--simulate", "--comm", comm}));
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("Job Done!"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("COMM    completed in"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Simulated HBD received COMM: 36864 bytes in 36 packets"),
              std::string::npos)
        << r.out;
    std::string history = dir_.Read("History.txt");
    EXPECT_NE(history.find("Begin Upload COMM File"), std::string::npos);
    EXPECT_NE(history.find("Upload COMM File Successful (" + comm + ")."), std::string::npos);
    // Not a terminal: no carriage-return redraws.
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
}

TEST_F(CliTest, JsonStreamHasOneObjectPerNotification) {
    std::string comm = Sample(SampleKind::kComm, 65536, "comm.bin");
    ProcessResult r = Run(Upload({"--simulate", "--json", "--comm", comm}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line, last;
    int fileDone = 0, progress = 0;
    while (std::getline(lines, line)) {
        ASSERT_EQ(line.rfind("{\"event\":\"UM_", 0), 0u) << line;
        ASSERT_EQ(line.back(), '}') << line;
        fileDone += line.find("\"UM_FILE_DONE\"") != std::string::npos;
        progress += line.find("\"UM_PROGRESS\"") != std::string::npos;
        last = line;
    }
    EXPECT_EQ(fileDone, 1);
    EXPECT_EQ(progress, 1 + 32);  // the estimates, then one per packet
    EXPECT_EQ(last.rfind("{\"event\":\"UM_WORKER_DONE\"", 0), 0u) << last;
}

TEST_F(CliTest, FailedBoardExitsWithOneAndStopsTheRun) {
    sim::FaultPlan faults;
    faults.badReplyPacket = 1;
    faults.badReplyCode = 0x38;  // the unit aborts the transfer
    faults.badReplyTimes = 100;
    sim::HbdUnit unit(sim::HbdUnit::kDefaultBlockPackets, faults);
    sim::UnitRunner runner(unit);
    runner.Start();
    std::string comm = Sample(SampleKind::kComm, 65536, "comm.bin");
    std::string reader = Sample(SampleKind::kReader, 65536, "reader.bin");
    ProcessResult r =
        Run(Upload({"--port", runner.DevicePath(), "--comm", comm, "--reader", reader}));
    EXPECT_EQ(r.exitCode, 1) << r.err << r.out;
    EXPECT_NE(r.out.find("ERROR from HBD; *** ABORT TRANSFER ***"), std::string::npos);
    EXPECT_NE(r.out.find("COMM    FAILED"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("READER  not attempted"), std::string::npos) << r.out;
    EXPECT_NE(
        dir_.Read("History.txt").find("ERROR = No/Bad Response from KX, Step: Get Ack from HBD"),
        std::string::npos);
}

TEST_F(CliTest, SilentUnitFailsWithAHintAndAFailureEvent) {
    sim::FaultPlan faults;
    faults.silentExchange = 1;  // never answers the begin-upload packet
    sim::HbdUnit unit(sim::HbdUnit::kDefaultBlockPackets, faults);
    sim::UnitRunner runner(unit);
    runner.Start();
    std::string comm = Sample(SampleKind::kComm, 65536, "comm.bin");
    ProcessResult r = Run(Upload({"--port", runner.DevicePath(), "--json", "--comm", comm}));
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.out.find("{\"event\":\"UM_LOG_LINE\",\"code\":1324,\"wParam\":0,\"text\":"
                         "\"ERROR: No response from HBD (try # 1).\\n\\n\"}"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("{\"event\":\"UM_FILE_FAILED\""), std::string::npos);
    EXPECT_EQ(r.out.find("UM_FILE_DONE"), std::string::npos);
    // The summary goes to stderr in JSON mode, so stdout stays one object per line.
    EXPECT_NE(r.err.find("The unit did not answer: check the cable"), std::string::npos) << r.err;
}

TEST_F(CliTest, Kx2UploadFailsAtOnceWhenTheLineGoesDead) {
    dir_.Write("Quillon.ini", "[KX2]\nDelay Between Packets=0\n");
    sim::Kx2Unit unit;
    test::HangupAfterBytes line(unit, 3000);  // the cable goes during the first pass
    sim::UnitRunner runner(line);
    runner.Start();
    std::string kx = Sample(SampleKind::kKx2, 20000, "FIRMWARE.kx");
    ProcessResult r = Run(Upload({"--port", runner.DevicePath(), "--kx", kx}));
    EXPECT_EQ(r.exitCode, 1) << r.err << r.out;
    EXPECT_TRUE(line.HungUp()) << r.out;
    // No waits for a final answer on a line that is gone.
    EXPECT_EQ(r.out.find("Will wait 8 seconds for final response"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ERROR: Line lost; "), std::string::npos) << r.out;
    EXPECT_NE(dir_.Read("History.txt").find("ERROR = Line lost, Step: Send Packets"),
              std::string::npos)
        << dir_.Read("History.txt");
}

TEST_F(CliTest, LogsAreListedViewedAndDeletedInsideTheirFolder) {
    std::string comm = Sample(SampleKind::kComm, 65536, "comm.bin");
    ASSERT_EQ(Run(Upload({"--simulate", "--quiet", "--comm", comm})).exitCode, 0);
    ProcessResult list = Run({"logs", "--app-dir", dir_.Dir()});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    size_t at = list.out.find("Quillon_LogMsg_");
    ASSERT_NE(at, std::string::npos) << list.out;
    std::string name = list.out.substr(at, list.out.find(' ', at) - at);
    EXPECT_NE(list.out.find("1      Status  " + name), std::string::npos) << list.out;

    ProcessResult view = Run({"logs", "--app-dir", dir_.Dir(), "--view", name});
    EXPECT_EQ(view.exitCode, 0);
    EXPECT_EQ(view.out.rfind("=-=-=-=-=  Log File Quillon7 version 0.5\n", 0), 0u) << view.out;

    EXPECT_EQ(Run({"logs", "--app-dir", dir_.Dir(), "--delete", name, "--yes"}).exitCode, 0);
    list = Run({"logs", "--app-dir", dir_.Dir()});
    EXPECT_EQ(list.out.find(name), std::string::npos) << list.out;
}

TEST_F(CliTest, CtrlCDuringThePauseCancelsWithOneThirty) {
    std::string comm = Sample(SampleKind::kComm, 65536, "comm.bin");
    std::string reader = Sample(SampleKind::kReader, 65536, "reader.bin");
    Process process({QUILLON_CLI_PATH, "upload", "--app-dir", dir_.Dir(), "--simulate", "--comm",
                     comm, "--reader", reader},
                    {"NO_COLOR=1"});
    ASSERT_TRUE(process.WaitFor(
        [](const std::string& out, const std::string&) {
            return out.find("Delay 45 seconds before next upload.") != std::string::npos;
        },
        30s))
        << process.Out();
    process.Signal(SIGINT);
    ProcessResult r = process.Finish(20s);
    EXPECT_EQ(r.exitCode, 130) << r.out << r.err;
    EXPECT_NE(r.out.find("Job Canceled!"), std::string::npos) << r.out;
    std::string history = dir_.Read("History.txt");
    EXPECT_NE(history.find("ERROR = *** USER ABORTED UPLOAD ***"), std::string::npos) << history;
    EXPECT_EQ(history.find("Begin Upload READER File"), std::string::npos);
}

TEST_F(CliTest, StartedUploadOutlivesAHangUpAndAClosedPipeAndStopsOnTerm) {
    struct Case {
        const char* what;
        int signal;  // 0: the reader of stdout goes away instead
        int exitCode;
        const char* history;
    };
    const Case cases[] = {
        {"closed pipe", 0, 0, "Upload COMM File Successful"},
        {"hang-up", SIGHUP, 0, "Upload COMM File Successful"},
        {"SIGTERM", SIGTERM, 130, "ERROR = *** USER ABORTED UPLOAD ***"},
    };
    std::string comm = Sample(SampleKind::kComm, 131072, "comm.bin");
    for (const Case& c : cases) {
        std::remove(dir_.File("History.txt").c_str());
        Process process({QUILLON_CLI_PATH, "upload", "--app-dir", dir_.Dir(), "--simulate",
                         "--comm", comm, "-v"},
                        {"NO_COLOR=1"});
        ASSERT_TRUE(process.WaitFor(
            [](const std::string& out, const std::string&) {
                return out.find("1.3: Sending to HBD; Packet 1") != std::string::npos;
            },
            30s))
            << c.what << process.Out();
        c.signal != 0 ? process.Signal(c.signal) : process.CloseStdout();
        ProcessResult r = process.Finish(60s);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what << r.err;
        EXPECT_NE(dir_.Read("History.txt").find(c.history), std::string::npos) << c.what;
    }
}

TEST_F(CliTest, TerminalEchoesAndSendsEscape) {
    sim::PtyPair pty;
    Process process(
        {QUILLON_CLI_PATH, "terminal", "--app-dir", dir_.Dir(), "--port", pty.DevicePath()});
    ASSERT_TRUE(process.WaitFor(
        [](const std::string&, const std::string& err) {
            return err.find("Connected to") != std::string::npos;
        },
        10s))
        << process.Err();
    const char fromUnit[] = "HBD> ";
    ASSERT_EQ(write(pty.MasterFd(), fromUnit, 5), 5);
    // What the unit sends is shown as it arrives, before anything is typed.
    ASSERT_TRUE(
        process.WaitFor([](const std::string& out,
                           const std::string&) { return out.find("HBD> ") != std::string::npos; },
                        10s))
        << process.Out();
    process.Write("ab\x1b");
    std::string got;
    auto end = std::chrono::steady_clock::now() + 10s;
    while (got.size() < 3 && std::chrono::steady_clock::now() < end) {
        struct pollfd p {
            pty.MasterFd(), POLLIN, 0
        };
        if (poll(&p, 1, 50) > 0) {
            char c;
            if (read(pty.MasterFd(), &c, 1) == 1)
                got += c;
        }
    }
    EXPECT_EQ(got, "ab\x1b");
    process.Write("\x1d");  // Ctrl-] leaves
    ProcessResult r = process.Finish(10s);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("ab"), std::string::npos) << r.out;  // the echo
}

TEST_F(CliTest, SamplesPassTheFileChecks) {
    ProcessResult r = Run({"samples", dir_.File("samples")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Run(Upload({"--simulate", "--comm", dir_.File("samples/SAMPLE_COMM.bin"), "--quiet"}));
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
}

}  // namespace
}  // namespace quillon
