// quillon7-cli end to end: the real program against simulated units on real pseudo-terminals.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "firmware/SampleFirmware.h"
#include "settings/IniFile.h"
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
        {{"upload", "--app-dir", "/tmp", "--comm", "x.bin"}, "Error ID: 100"},
        {{"upload", "--port", "0", "--comm", "x.bin"}, "Port number 0 is out of range"},
        {{"upload", "--baud", "12345", "--comm", "x.bin"},
         "--baud takes one of 9600, 14400, 19200, 28800, 38400, 57600, 115200, not '12345'"},
        {{"upload", "--comm", "--simulate"}, "option --comm needs a value"},
        {{"upload", "--simulate", "comm.bin"}, "unexpected argument 'comm.bin'"},
    };
    for (const Case& c : cases) {
        ProcessResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args[0] << " " << r.err;
        EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
    }
}

TEST_F(CliTest, RefusedRunChangesNothing) {
    const std::string small = Sample(SampleKind::kComm, 65535, "small.bin");
    const std::string good = Sample(SampleKind::kComm, 65536, "good.bin");
    const std::vector<std::string> refused[] = {
        {"--simulate", "--comm", good, "--reader", small},  // a rejected file after a good one
        {"--port", "no such/../port\x01", "--comm", good},
        {"--baud", "300", "--comm", good},
    };
    for (const std::vector<std::string>& args : refused) {
        const std::string fresh = dir_.File("fresh");
        std::vector<std::string> command{"upload", "--app-dir", fresh};
        command.insert(command.end(), args.begin(), args.end());
        EXPECT_EQ(Run(command).exitCode, 2) << args[1];
        EXPECT_FALSE(std::filesystem::exists(fresh)) << args[1];
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
    // ... but a board file without its whole header has nothing to send, and says so.
    std::string tiny = Sample(SampleKind::kComm, 20000, "tiny.bin");
    r = Run(Upload({"--simulate", "--no-validate", "--comm", tiny}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("is shorter than its 32768-byte header; nothing to send!"),
              std::string::npos)
        << r.out;
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

TEST_F(CliTest, JsonOutputServesAScriptForEveryEnding) {
    sim::FaultPlan faults;
    faults.silentExchange = 1;  // never answers the begin-upload packet
    sim::HbdUnit unit(sim::HbdUnit::kDefaultBlockPackets, faults);
    sim::UnitRunner runner(unit);
    runner.Start();
    // A UTF-8 name must come out as it is, a byte that is no UTF-8 as its documented escape.
    const std::string good = Sample(SampleKind::kComm, 65536, "FIRMWARE_\xc3\xa9.bin");
    const std::string small = Sample(SampleKind::kComm, 1000, "small_\xff.bin");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::vector<std::string> expected;  // TYPE:FIELD=VALUE, as check_json_lines.py takes
    };
    const Case cases[] = {
        {{"--simulate", "--comm", good},
         0,
         {"start:unit=HBD", "start:baud=19200", "start:files.0.path=" + good,
          "start:files.0.packets=32", "file-start:board=COMM", "progress:percent=100",
          "file-done:board=COMM", "result:outcome=completed", "result:boards.0.outcome=completed"}},
        {{"--port", runner.DevicePath(), "--comm", good},
         1,
         {"log:level=0", "file-failed:step=Begin Upload", "file-failed:cause=no-answer",
          "result:boards.0.cause=no-answer", "result:outcome=failed"}},
        {{"--simulate", "--comm", small}, 2, {"error:number=105", "error:file=" + small}},
        {{"--port", "/dev/quillon-no-such-port", "--comm", good},
         3,
         {"error:number=201", "result:outcome=port-failed"}},
        {{"--baud", "12"}, 2, {"error:number=0"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back("--json");
        ProcessResult r = Run(Upload(args));
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        dir_.Write("out.json", r.out);
        std::vector<std::string> check{PYTHON3_PATH, JSON_CHECK_SCRIPT, dir_.File("out.json"),
                                       std::to_string(c.exitCode)};
        check.insert(check.end(), c.expected.begin(), c.expected.end());
        Process checker(check);
        ProcessResult verdict = checker.Finish(30s);
        EXPECT_EQ(verdict.exitCode, 0) << verdict.out << verdict.err << r.out;
    }
}

TEST_F(CliTest, CheckCountsPacketsWithoutAPortOrAWrite) {
    const std::string good = Sample(SampleKind::kComm, 65536, "good.bin");
    const std::string small = Sample(SampleKind::kComm, 65535, "small.bin");
    const std::string fresh = dir_.File("fresh");
    ProcessResult r = Run({"check", "--app-dir", fresh, "--comm", good});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("COMM    passed     32 packets  about 00:32  " + good), std::string::npos)
        << r.out;
    r = Run({"check", "--app-dir", fresh, "--json", "--comm", small});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.out.find("\"type\":\"error\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"number\":105"), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists(fresh));
}

TEST_F(CliTest, DefaultOutputIsShortPipedLiveOnATerminalAndWholeWithVerbose) {
    const std::string big = Sample(SampleKind::kComm, 32768 + 480 * 1024, "big.bin");
    ProcessResult r = Run(Upload({"--simulate", "--comm", big}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_LE(std::count(r.out.begin(), r.out.end(), '\n'), 30) << r.out;
    EXPECT_NE(r.out.find("HBD unit on /dev/"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1. COMM      480 packets  about 08:00  " + big), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("480/480 packets 100%"), std::string::npos) << r.out;

    const std::string comm = Sample(SampleKind::kComm, 65536, "comm.bin");
    r = Run(Upload({"--simulate", "--comm", comm, "-v"}));
    EXPECT_NE(r.out.find("32.3: Sending to HBD; Packet 32"), std::string::npos) << r.out;

    // On a terminal the progress is one line redrawn in place.
    sim::PtyPair terminal;
    Process process(
        {"/bin/sh", "-c", "exec \"$0\" upload --app-dir \"$1\" --simulate --comm \"$2\" > \"$3\"",
         QUILLON_CLI_PATH, dir_.Dir(), comm, terminal.DevicePath()},
        {"NO_COLOR=1"});
    std::string shown;
    while (shown.find("Job Done!") == std::string::npos) {
        struct pollfd p {
            terminal.MasterFd(), POLLIN, 0
        };
        char buffer[4096];
        ASSERT_GT(poll(&p, 1, 30000), 0) << shown;
        ssize_t n = read(terminal.MasterFd(), buffer, sizeof buffer);
        ASSERT_GT(n, 0) << shown;
        shown.append(buffer, static_cast<size_t>(n));
    }
    EXPECT_EQ(process.Finish(30s).exitCode, 0);
    EXPECT_NE(shown.find("\r\033[KCOMM    [####################]    32/32 packets 100%"),
              std::string::npos)
        << shown;
    EXPECT_EQ(shown.find("32/32 packets 100%  time to complete 00:00  retries 0\n"),
              std::string::npos)
        << shown;
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
    // Written ahead into the kernel's buffer, the first pass may end before the loss is seen.
    EXPECT_NE(dir_.Read("History.txt").find("ERROR = Line lost, Step: "), std::string::npos)
        << dir_.Read("History.txt");
}

TEST_F(CliTest, RecordsThatCannotBeWrittenAreSaidAndTheUploadGoesOn) {
    struct Case {
        const char* what;
        std::function<void(TempDir&)> spoil;
        std::vector<std::string> lost;  // in the warnings
        const char* notShown;           // a record line the summary must leave out
    };
    const Case cases[] = {
        {"History.txt a folder",
         [](TempDir& d) { ASSERT_EQ(mkdir(d.File("History.txt").c_str(), 0755), 0); },
         {"history entry in "},
         "History:"},
        {"Logs a file",
         [](TempDir& d) {
             d.Write("Quillon.ini", "[Logs]\nLog Messages=1\nLog Serial Data=1\n");
             d.Write("Logs", "not a folder");
         },
         {"message log ", "serial log "},
         "Message log:"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        c.spoil(dir);
        std::string comm = dir.File("comm.bin");
        std::string error;
        ASSERT_TRUE(WriteFileBytes(comm, MakeSampleImage(SampleKind::kComm, 65536), &error));
        ProcessResult r = Run({"upload", "--app-dir", dir.Dir(), "--simulate", "--comm", comm});
        EXPECT_EQ(r.exitCode, 0) << c.what << r.err;
        for (const std::string& record : c.lost) {
            EXPECT_NE(r.err.find("warning: not written: " + record), std::string::npos)
                << c.what << ": " << r.err;
        }
        EXPECT_EQ(r.out.find(c.notShown), std::string::npos) << c.what << ": " << r.out;
    }
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

    // Also by the name the upload printed.
    ProcessResult view = Run({"logs", "--app-dir", dir_.Dir(), "--view", name + ".txt"});
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
            return out.find("Pause of 45 seconds before the next board") != std::string::npos;
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
    sim::FaultPlan slow;
    slow.latencyMs = 20;  // 96 packets take seconds: the signal lands in the middle
    for (const Case& c : cases) {
        sim::HbdUnit unit(sim::HbdUnit::kDefaultBlockPackets, slow);
        sim::UnitRunner runner(unit);
        runner.Start();
        std::remove(dir_.File("History.txt").c_str());
        Process process({QUILLON_CLI_PATH, "upload", "--app-dir", dir_.Dir(), "--port",
                         runner.DevicePath(), "--comm", comm, "-v"},
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

TEST_F(CliTest, SettingsShowStoredTextValueInEffectAndWhy) {
    dir_.Write("Quillon.ini",
               "[HBD Params]\nDelay after File Upload=5\nWait for HBD Response=999999999999\n"
               "[Serial Port]\nBaud Rate=28800\n");
    ProcessResult r = Run({"settings", "--app-dir", dir_.Dir()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const char* expected[] = {
        "Delay after File Upload       \"5\"                60         out of range 45-300: "
        "using 60\n",
        "\"999999999999\"     6          not a whole number of 32 bits: read as -727379969; out "
        "of range 4-12: using 6\n",
        "\"28800\"            19200      no such rate on the line: runs at 19200\n",
    };
    for (const char* text : expected) {
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    }
    // A reset asks first; no answer changes nothing.
    const std::string before = dir_.Read("Quillon.ini");
    r = Run({"settings", "--app-dir", dir_.Dir(), "--reset"});
    EXPECT_NE(r.out.find("Restore the factory defaults in "), std::string::npos) << r.out;
    EXPECT_EQ(dir_.Read("Quillon.ini"), before);
}

TEST_F(CliTest, SettingsFileThatReadsAsDefaultsIsReportedByEveryReader) {
    struct Case {
        const char* what;
        std::function<void(TempDir&)> spoil;
        const char* problem;
    };
    const Case cases[] = {
        {"a folder", [](TempDir& d) { ASSERT_EQ(mkdir(d.File("Quillon.ini").c_str(), 0755), 0); },
         "is not a file"},
        {"too large",
         [](TempDir& d) { d.Write("Quillon.ini", std::string(IniFile::kMaxFileSize + 1, ';')); },
         "is larger than"},
    };
    const std::string comm = Sample(SampleKind::kComm, 65536, "comm.bin");
    for (const Case& c : cases) {
        TempDir dir;
        c.spoil(dir);
        for (std::vector<std::string> args :
             {std::vector<std::string>{"settings", "--app-dir", dir.Dir()},
              std::vector<std::string>{"terminal", "--app-dir", dir.Dir(), "--port",
                                       "/dev/quillon-no-such-port"},
              std::vector<std::string>{"upload", "--app-dir", dir.Dir(), "--simulate", "--comm",
                                       comm}}) {
            ProcessResult r = Run(args);
            const size_t at = r.err.find(dir.File("Quillon.ini") + " " + c.problem);
            EXPECT_NE(at, std::string::npos) << c.what << " " << args[0] << ": " << r.err;
            EXPECT_NE(r.err.find(": every setting is its default\n", at), std::string::npos)
                << r.err;
        }
    }
}

TEST_F(CliTest, HistoryAsJsonRecordsToleratesOldAndTornEntries) {
    const std::string history =
        "\nMar  5, 2024  09:07:03: Begin Upload READER File\n"
        "                        FileName: /fw/r\xc3\xa9.bin\n"
        "Mar  5, 2024  09:11:24: Upload READER File Successful (/fw/r\xc3\xa9.bin).\n"
        "                        Required 4 min  21 sec\n\n"
        "an entry of an older version\n"
        "Mar  5, 2024  09:12:00: Upload COMM File FAILED!\n"
        "                        ERROR = Line lost, Step: End of";  // torn by a kill
    dir_.Write("History.txt", history);
    ProcessResult r = Run({"history", "--app-dir", dir_.Dir(), "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const char* expected[] = {
        "\"entryTime\":\"Mar  5, 2024  "
        "09:07:03\",\"kind\":\"READER\",\"file\":\"/fw/r\xc3\xa9.bin\","
        "\"outcome\":\"begin\"",
        "\"outcome\":\"completed\",\"detail\":\"4 min  21 sec\"}",
        "\"outcome\":\"unknown\",\"detail\":\"an entry of an older version\"}",
        "\"kind\":\"COMM\",\"file\":\"\",\"outcome\":\"failed\",\"detail\":\"Line lost, Step: End "
        "of\"}",
    };
    for (const char* text : expected) {
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    }
    EXPECT_EQ(dir_.Read("History.txt"), history);
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
