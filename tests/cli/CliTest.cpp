// quillon7-cli end to end: the real program against simulated units on real pseudo-terminals.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "firmware/SampleFirmware.h"
#include "settings/IniFile.h"
#include "sim/HangupAfterBytes.h"
#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#include "sim/UnitRunner.h"
#include "tests/cli/ProcessRunner.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPty.h"

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

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override { dir_.Write("Quillon.ini", kFastSettings); }

    std::string Sample(SampleKind kind, size_t size, const char* name) {
        std::string path = dir_.File(name);
        std::string error;
        EXPECT_TRUE(WriteFileBytes(path, MakeSampleImage(kind, size), &error)) << error;
        return path;
    }

    ProcessResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), QUILLON_CLI_PATH);
        Process process(args, {"NO_COLOR=1"});
        process.CloseStdin();
        return process.Finish(60s);
    }
    std::vector<std::string> Upload(std::vector<std::string> more) {
        std::vector<std::string> args{"upload", "--app-dir", dir_.Dir()};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }
    std::optional<std::string> Setting(const char* section, const char* key) {
        return IniFile(dir_.File("Quillon.ini")).Find(section, key);
    }

    TempDir dir_;
};

// Runs that end before anything is sent. Those refused (2) and checks leave the application
// folder as it was: the run gets a fresh one that must not come to be.
TEST_F(CliTest, RunsThatSendNothing) {
    const std::string small = Sample(SampleKind::kComm, 65535, "small.bin");
    const std::string good = Sample(SampleKind::kComm, 65536, "good.bin");
    const std::string wrongType = Sample(SampleKind::kComm, 65536, "comm.img");
    const std::string tiny = Sample(SampleKind::kComm, 20000, "tiny.bin");
    const std::string fresh = dir_.File("fresh");
    struct Case {
        std::vector<std::string> args;  // the command and its arguments
        int exitCode;
        std::string shown;  // in stdout or stderr
    };
    const Case cases[] = {
        {{"frobnicate"}, 2, "unknown command"},
        {{"upload", "--bogus"}, 2, "unknown option --bogus"},
        {{"upload", "--quiet=1", "--simulate", "--comm", good}, 2, "unknown option --quiet"},
        {{"upload", "--comm"}, 2, "option --comm needs a value"},
        {{"upload", "--comm", "--simulate"}, 2, "option --comm needs a value"},
        {{"upload", "--simulate", "comm.bin"}, 2, "unexpected argument 'comm.bin'"},
        {{"history", "extra"}, 2, "unexpected argument 'extra'"},
        {{"upload", "--comm", good, "--simulate", "--comm", good}, 2, "--comm is given more than"},
        {{"upload", "-v", "--quiet", "--simulate", "--comm", good}, 2, "-v or --quiet, not both"},
        {{"settings", "--app-dir="}, 2, "option --app-dir may not be empty"},
        {{"upload", "-h"}, 0, "Usage: quillon7-cli upload [FILES]"},
        {{"help", "logs"}, 0, "Usage: quillon7-cli logs [--app-dir DIR]"},
        {{"upload", "--kx", "a.kx", "--speech", "b.bin"}, 2, "cannot be combined"},
        {{"upload", "--port", "/dev/ttyS0", "--simulate", "--comm", good}, 2, "not both"},
        {{"upload", "--port", "0", "--comm", good}, 2, "Port number 0 is out of range"},
        {{"upload", "--port", "no such/../port\x01", "--comm", good}, 2, ""},
        {{"upload", "--baud", "9600x", "--comm", good},
         2,
         "--baud takes one of 9600, 14400, 19200, 28800, 38400, 57600, 115200, not '9600x'"},
        {{"terminal", "--baud", "12345"}, 2, "--baud takes one of 9600, 14400, "},
        {{"upload", "--comm", "x.bin"}, 2, "Error ID: 100"},
        {{"upload", "--simulate"}, 2, "Error ID: 200\nNo file has been selected to upload!"},
        {{"upload", "--simulate", "--comm", good, "--reader", small},
         2,
         "Error ID: 106\nFile: " + small + "\nFile size test failed.\n\nREADER File is too small"},
        {{"upload", "--simulate", "--comm", wrongType}, 2, "Error ID: 210\nIncorrect file type"},
        // 14400 has no code of its own: the line would run at 19200, and only that is shown.
        {{"upload", "--port", "/dev/quillon-no-such-port", "--baud", "14400", "--comm", good},
         3,
         "Error ID: 201\nFailed to open serial port!\n\nPort: /dev/quillon-no-such-port\nBaud "
         "Rate: 19200"},
        {{"check", "--comm", good}, 0, "COMM    passed     32 packets  about 00:32  " + good},
        {{"check", "--json", "--comm", small}, 2, "\"number\":105"},
        {{"history"}, 0, "Error ID: 103\nFile: " + fresh + "/History.txt"},  // no uploads yet
        // Unvalidated the size no longer matters, but a file without its whole header has
        // nothing to send: refused before the port opens, by `check` too.
        {{"upload", "--simulate", "--no-validate", "--comm", small}, 0, "Job Done!"},
        {{"upload", "--simulate", "--no-validate", "--comm", tiny},
         2,
         "20000 bytes; nothing of it would be sent"},
        {{"check", "--no-validate", "--comm", tiny}, 2, "Error ID: 105"},
        // check names every file upload would refuse, and the unit's limits are among them.
        {{"check", "--comm", small, "--reader", small}, 2, "Error ID: 105"},
        {{"check", "--kx", Sample(SampleKind::kKx2, 100, (std::string(60, 'k') + ".kx").c_str())},
         2,
         "Error ID: 108"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--app-dir", fresh};  // for the commands that use it
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(::testing::PrintToString(args));
        ProcessResult r = Run(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_TRUE(Has(r.out + r.err, c.shown)) << r.out << r.err;
        if (c.exitCode == 2 || c.args[0] == "check") {
            EXPECT_FALSE(std::filesystem::exists(fresh));
        }
        std::filesystem::remove_all(fresh);
    }
}

TEST_F(CliTest, JsonOutputServesAScriptForEveryEnding) {
    sim::FaultPlan faults;
    faults.silentExchange = 1;  // never answers the begin-upload packet
    sim::HbdUnit unit(sim::HbdUnit::kDefaultBlockPackets, faults);
    sim::UnitRunner runner(unit, test::OpenPty());
    runner.Start();
    // A UTF-8 name must come out as it is, a byte that is no UTF-8 as its documented escape.
    const std::string good = Sample(SampleKind::kComm, 65536, "FIRMWARE_\xc3\xa9.bin");
    const std::string small = Sample(SampleKind::kComm, 1000, "small_\\\xff.bin");
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
        {{"--baud", "12"}, 2, {"error:number=0", "result:outcome=refused"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "--json");  // anywhere on the line
        ProcessResult r = Run(Upload(args));
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        dir_.Write("out.json", r.out);
        std::vector<std::string> check{PYTHON3_PATH, JSON_CHECK_SCRIPT, dir_.File("out.json"),
                                       std::to_string(c.exitCode)};
        check.insert(check.end(), c.expected.begin(), c.expected.end());
        ProcessResult verdict = Process(check).Finish(30s);
        EXPECT_EQ(verdict.exitCode, 0) << verdict.out << verdict.err << r.out;
    }
}

TEST_F(CliTest, UploadIsShortWhenPipedLiveOnATerminalWholeWithVerboseAndRecorded) {
    const std::string big = Sample(SampleKind::kComm, 32768 + 480 * 1024, "big.bin");
    ProcessResult r = Run(Upload({"--simulate", "--comm", big}));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_LE(std::count(r.out.begin(), r.out.end(), '\n'), 30) << r.out;
    for (const std::string& text :
         {std::string("HBD unit on /dev/"), "1. COMM      480 packets  about 08:00  " + big,
          std::string("480/480 packets 100%"), std::string("Job Done!"),
          std::string("COMM    completed in"),
          std::string("Simulated HBD received COMM: 491520 bytes in 480 packets")}) {
        EXPECT_TRUE(Has(r.out, text)) << text << "\n" << r.out;
    }
    EXPECT_FALSE(Has(r.out, "\r")) << "no redraws when not a terminal";
    EXPECT_TRUE(Has(dir_.Read("History.txt"), "Upload COMM File Successful (" + big + ")."));

    const std::string comm = Sample(SampleKind::kComm, 65536, "comm.bin");
    r = Run(Upload({"--simulate", "--comm", comm, "-v", "--show-bytes"}));
    EXPECT_TRUE(Has(r.out, "32.3: Sending to HBD; Packet 32")) << r.out;
    EXPECT_TRUE(Has(r.out, "  to unit: ")) << r.out;

    // On a terminal the progress is one line redrawn in place.
    sim::PtyPair terminal = test::OpenPty();
    Process process(
        {"/bin/sh", "-c", "exec \"$0\" upload --app-dir \"$1\" --simulate --comm \"$2\" > \"$3\"",
         QUILLON_CLI_PATH, dir_.Dir(), comm, terminal.DevicePath()},
        {"NO_COLOR=1"});
    std::string shown;
    while (!Has(shown, "Job Done!")) {
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
    EXPECT_TRUE(Has(shown, "\r\033[KCOMM    [####################]    32/32 packets 100%"))
        << shown;
    EXPECT_FALSE(Has(shown, "32/32 packets 100%  time to complete 00:00  retries 0\n")) << shown;

    // Started with stdout closed, the program must not be given descriptor 1 for its line.
    r = Process({"/bin/sh", "-c",
                 "exec \"$0\" upload --app-dir \"$1\" --simulate --comm \"$2\" >&-",
                 QUILLON_CLI_PATH, dir_.Dir(), comm})
            .Finish(30s);
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

// --quiet hides the chatter but not the errors; the summary names each board's end and, for a
// unit that did not answer, what to check. Files are remembered, each under its own kind.
TEST_F(CliTest, FailedBoardExitsWithOneAndStopsTheRun) {
    const std::string comm = Sample(SampleKind::kComm, 65536, "comm.bin");
    const std::string reader = Sample(SampleKind::kReader, 65536, "reader.bin");
    auto run = [&](const sim::FaultPlan& faults) {
        sim::HbdUnit unit(sim::HbdUnit::kDefaultBlockPackets, faults);
        sim::UnitRunner runner(unit, test::OpenPty());
        runner.Start();
        return Run(
            Upload({"--port", runner.DevicePath(), "--quiet", "--comm", comm, "--reader", reader}));
    };
    sim::FaultPlan aborts;
    aborts.badReplyPacket = 1;
    aborts.badReplyCode = 0x38;  // the unit aborts the transfer
    aborts.badReplyTimes = 100;
    ProcessResult r = run(aborts);
    EXPECT_EQ(r.exitCode, 1) << r.err << r.out;
    // Errors go where a script keeps them, as they happen, and the summary names the step.
    EXPECT_TRUE(Has(r.err, "ERROR from HBD; *** ABORT TRANSFER ***")) << r.err;
    EXPECT_TRUE(Has(r.err, "COMM failed at Get Ack from HBD (unit-error)")) << r.err;
    EXPECT_FALSE(Has(r.out, "Sending to HBD")) << r.out;
    EXPECT_TRUE(Has(r.out, "COMM    FAILED")) << r.out;
    EXPECT_TRUE(Has(r.out, "READER  not attempted")) << r.out;
    EXPECT_TRUE(
        Has(dir_.Read("History.txt"), "ERROR = No/Bad Response from KX, Step: Get Ack from HBD"));
    EXPECT_EQ(Setting("File Names", "Comm"), comm);
    EXPECT_EQ(Setting("File Names", "Reader"), reader);

    dir_.Write("Quillon.ini", std::string(kFastSettings) + "[Load Files]\nLoad COMM First=0\n");
    sim::FaultPlan silent;
    silent.silentExchange = 1;
    r = run(silent);
    EXPECT_EQ(r.exitCode, 1) << r.err << r.out;
    EXPECT_TRUE(Has(r.out, "READER  FAILED")) << r.out;
    EXPECT_TRUE(Has(r.out, "COMM    not attempted")) << r.out;
    EXPECT_TRUE(Has(r.out, "The unit did not answer: check the cable")) << r.out;
}

TEST_F(CliTest, Kx2UploadFailsAtOnceWhenTheLineGoesDead) {
    dir_.Write("Quillon.ini", "[KX2]\nDelay Between Packets=0\n");
    sim::Kx2Unit unit;
    sim::HangupAfterBytes line(unit, 3000);  // the cable goes during the first pass
    sim::UnitRunner runner(line, test::OpenPty());
    runner.Start();
    std::string kx = Sample(SampleKind::kKx2, 20000, "FIRMWARE.kx");
    ProcessResult r = Run(Upload({"--port", runner.DevicePath(), "--kx", kx}));
    EXPECT_EQ(r.exitCode, 1) << r.err << r.out;
    EXPECT_TRUE(line.HungUp()) << r.out;
    // No waits for a final answer on a line that is gone.
    EXPECT_FALSE(Has(r.out, "Will wait 8 seconds for final response")) << r.out;
    EXPECT_TRUE(Has(r.err, "ERROR: Line lost; ")) << r.err;
    // Written ahead into the kernel's buffer, the first pass may end before the loss is seen.
    EXPECT_TRUE(Has(dir_.Read("History.txt"), "ERROR = Line lost, Step: "));
    EXPECT_EQ(Setting("File Names", "Comm"), std::nullopt) << "a .kx is no COMM file";
}

// quillon7-sim takes an upload on the device it prints, says what came and, with
// --exit-after-boards, ends as soon as the host has closed the line.
TEST_F(CliTest, SimulatedUnitProgramSaysWhatItReceived) {
    dir_.Write("Quillon.ini", std::string(kFastSettings) + "[KX2]\nDelay Between Packets=0\n");
    ASSERT_EQ(Run({"samples", dir_.File("s")}).exitCode, 0);
    struct Case {
        std::vector<std::string> sim;
        std::vector<std::string> upload;
        int exitCode;
        std::string shown;     // by the upload
        std::string received;  // by the unit
    };
    const std::string kx = dir_.File("s/SAMPLE.kx");
    const Case cases[] = {
        {{"kx2", "--exit-after-boards", "1"},
         {"--kx", kx},
         0,
         "Job Done!",
         "Image SAMPLE.kx: 65536 bytes in 65 packets, matches the announced length\n"},
        {{"kx2"}, {"--kx", kx}, 0, "Job Done!", "Image SAMPLE.kx: 65536 bytes"},
        {{"hbd", "--bad-reply-packet", "1", "--bad-reply-code", "38", "--bad-reply-times", "9"},
         {"--comm", dir_.File("s/SAMPLE_COMM.bin")},
         1,
         "COMM    FAILED at Get Ack from HBD (unit-error)",
         "ready on"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sim[0] + " " + c.received);
        std::vector<std::string> args = c.sim;
        args.insert(args.begin(), QUILLON_SIM_PATH);
        Process sim(args);
        ASSERT_TRUE(sim.WaitFor([](const std::string& out, auto&) { return Has(out, "\n"); }, 10s));
        const std::string ready = sim.Out();  // "Simulated KX2 unit ready on /dev/pts/3\n"
        std::vector<std::string> upload = c.upload;
        upload.insert(upload.begin(), {"--port", ready.substr(ready.rfind(' ') + 1)});
        upload[1].pop_back();
        ProcessResult r = Run(Upload(upload));
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out;
        EXPECT_TRUE(Has(r.out, c.shown)) << r.out;
        EXPECT_TRUE(sim.WaitFor([&](auto& out, auto&) { return Has(out, c.received); }, 30s));
        if (std::ranges::find(c.sim, "--exit-after-boards") == c.sim.end()) {
            sim.Signal(SIGTERM);
        }
        ProcessResult unit = sim.Finish(30s);
        EXPECT_EQ(unit.exitCode, 0) << unit.err;
        EXPECT_EQ(unit.err, "") << "the host closed the line";
    }
}

TEST_F(CliTest, LogsAreListedViewedAndDeletedInsideTheirFolder) {
    std::string comm = Sample(SampleKind::kComm, 65536, "comm.bin");
    ASSERT_EQ(Run(Upload({"--simulate", "--quiet", "--comm", comm})).exitCode, 0);
    const std::string older = dir_.File("Logs/Quillon_LogMsg_000000_01012020.txt");
    dir_.Write("Logs/Quillon_LogMsg_000000_01012020.txt", "an older run\n");
    std::filesystem::last_write_time(older, std::filesystem::last_write_time(older) - 24h);
    const std::vector<std::string> logs{"logs", "--app-dir", dir_.Dir()};
    ProcessResult list = Run(logs);
    ASSERT_EQ(list.exitCode, 0) << list.err;
    size_t at = list.out.find("Quillon_LogMsg_");
    ASSERT_NE(at, std::string::npos) << list.out;
    std::string name = list.out.substr(at, list.out.find(' ', at) - at);
    EXPECT_TRUE(Has(list.out, "1      Status  " + name)) << list.out;

    // Also by the name the upload printed.
    ProcessResult view = Run({"logs", "--app-dir", dir_.Dir(), "--view", name + ".txt"});
    EXPECT_EQ(view.exitCode, 0);
    EXPECT_EQ(view.out.rfind("=-=-=-=-=  Log File Quillon7 version 0.5\n", 0), 0u) << view.out;
    EXPECT_EQ(Run({"logs", "--app-dir", dir_.Dir(), "--view", "2"}).out, "an older run\n");

    // Only a log name, and only when the question is answered yes (stdin is closed: no answer).
    EXPECT_EQ(
        Run({"logs", "--app-dir", dir_.Dir(), "--delete", "../Quillon.ini", "--yes"}).exitCode, 2);
    const ProcessResult missing = Run({"logs", "--app-dir", dir_.Dir(), "--delete", "nope"});
    EXPECT_EQ(missing.out + std::to_string(missing.exitCode), "1") << "said before asking";
    EXPECT_EQ(Run({"logs", "--app-dir", dir_.Dir(), "--delete", name}).exitCode, 0);
    EXPECT_TRUE(Has(Run(logs).out, name));
    EXPECT_EQ(Run({"logs", "--app-dir", dir_.Dir(), "--delete", name, "--yes"}).exitCode, 0);
    EXPECT_FALSE(Has(Run(logs).out, name));
    EXPECT_TRUE(std::filesystem::exists(dir_.File("Quillon.ini")));
}

// A started upload ends only by a signal meant to stop it, and then as canceled.
TEST_F(CliTest, StartedUploadOutlivesAHangUpAndAClosedPipeAndStopsOnInterrupt) {
    struct Case {
        const char* what;
        int signal;  // 0: the reader of stdout goes away instead
        const char* waitFor;
        int exitCode;
        const char* shown;
        const char* history;
    };
    const Case cases[] = {
        {"closed pipe", 0, "1.3: Sending to HBD; Packet 1", 0, "", "Upload COMM File Successful"},
        {"hang-up", SIGHUP, "1.3: Sending to HBD; Packet 1", 0, "Job Done!",
         "Upload COMM File Successful"},
        {"SIGTERM", SIGTERM, "1.3: Sending to HBD; Packet 1", 130, "COMM    canceled",
         "ERROR = *** USER ABORTED UPLOAD ***"},
        {"Ctrl-C in the pause", SIGINT, "Pause of 45 seconds before the next board", 130,
         "Job Canceled!", "ERROR = *** USER ABORTED UPLOAD ***"},
    };
    const std::string comm = Sample(SampleKind::kComm, 131072, "comm.bin");
    const std::string reader = Sample(SampleKind::kReader, 65536, "reader.bin");
    sim::FaultPlan slow;
    slow.latencyMs = 20;  // 96 packets take seconds: the signal lands in the middle
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::HbdUnit unit(sim::HbdUnit::kDefaultBlockPackets, slow);
        sim::UnitRunner runner(unit, test::OpenPty());
        runner.Start();
        std::remove(dir_.File("History.txt").c_str());
        std::vector<std::string> args{QUILLON_CLI_PATH, "upload", "--app-dir",
                                      dir_.Dir(),       "--port", runner.DevicePath(),
                                      "--comm",         comm,     "-v"};
        if (c.signal == SIGINT) {
            args.insert(args.end(), {"--reader", reader});
        }
        Process process(args, {"NO_COLOR=1"});
        const std::string waitFor = c.waitFor;
        ASSERT_TRUE(process.WaitFor(
            [&](const std::string& out, const std::string&) { return Has(out, waitFor); }, 60s))
            << process.Out();
        c.signal != 0 ? process.Signal(c.signal) : process.CloseStdout();
        ProcessResult r = process.Finish(60s);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_TRUE(Has(r.out, c.shown)) << r.out;
        const std::string history = dir_.Read("History.txt");
        EXPECT_TRUE(Has(history, c.history)) << history;
        EXPECT_FALSE(Has(history, "Begin Upload READER File")) << history;
    }
}

TEST_F(CliTest, SettingsShowStoredTextValueInEffectAndWhyAndResetAfterAsking) {
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
        "Retransmit Control Packets    -                  4 ",
    };
    for (const char* text : expected) {
        EXPECT_TRUE(Has(r.out, text)) << text << "\n" << r.out;
    }
    // A reset asks first; no answer changes nothing.
    const std::string before = dir_.Read("Quillon.ini");
    r = Run({"settings", "--app-dir", dir_.Dir(), "--reset"});
    EXPECT_TRUE(Has(r.out, "Restore the factory defaults in ")) << r.out;
    EXPECT_EQ(dir_.Read("Quillon.ini"), before);
    EXPECT_EQ(Run({"settings", "--app-dir", dir_.Dir(), "--reset", "--yes"}).exitCode, 0);
    EXPECT_EQ(Setting("HBD Params", "Delay after File Upload"), "60");
    EXPECT_EQ(Setting("Serial Port", "Baud Rate"), std::nullopt);
}

TEST_F(CliTest, SettingsFileThatReadsAsDefaultsIsReportedByEveryReader) {
    TempDir folder, large;
    ASSERT_EQ(mkdir(folder.File("Quillon.ini").c_str(), 0755), 0);
    large.Write("Quillon.ini", std::string(IniFile::kMaxFileSize + 1, ';'));
    const std::string comm = Sample(SampleKind::kComm, 65536, "comm.bin");
    for (const auto& [dir, problem] :
         {std::pair<TempDir*, const char*>{&folder, "is not a file"}, {&large, "is larger than"}}) {
        for (std::vector<std::string> args : {std::vector<std::string>{"settings"},
                                              {"terminal", "--port", "/dev/quillon-no-such-port"},
                                              {"upload", "--simulate", "--comm", comm}}) {
            args.insert(args.begin() + 1, {"--app-dir", dir->Dir()});
            const std::string err = Run(args).err;
            const size_t at = err.find(dir->File("Quillon.ini") + " " + problem);
            EXPECT_NE(at, std::string::npos) << args[0] << ": " << err;
            EXPECT_NE(err.find(": every setting is its default\n", at), std::string::npos) << err;
        }
    }
}

// Each entry is one JSON line; the file is left as it was.
TEST_F(CliTest, HistoryAsJsonGivesEachEntry) {
    const std::string history =
        "Mar  5, 2024  09:11:24: Upload READER File Successful (/fw/r\xc3\xa9.bin).\n"
        "                        Required 4 min  21 sec\n\n";
    dir_.Write("History.txt", history);
    ProcessResult r = Run({"history", "--app-dir", dir_.Dir(), "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(
        Has(r.out,
            "\"entryTime\":\"Mar  5, 2024  09:11:24\",\"kind\":\"READER\",\"file\":"
            "\"/fw/r\xc3\xa9.bin\",\"outcome\":\"completed\",\"detail\":\"4 min  21 sec\"}"))
        << r.out;
    EXPECT_EQ(dir_.Read("History.txt"), history);
}

TEST_F(CliTest, TerminalEchoesAndSendsEscape) {
    sim::PtyPair pty = test::OpenPty();
    Process process({QUILLON_CLI_PATH, "terminal", "--app-dir", dir_.Dir(), "--port",
                     pty.DevicePath(), "--baud", "28800"});
    ASSERT_TRUE(process.WaitFor(
        [](const std::string&, const std::string& err) { return Has(err, "Connected to"); }, 10s))
        << process.Err();
    EXPECT_TRUE(Has(process.Err(), " at 19200 bps.")) << "the rate the line runs at";
    ASSERT_EQ(write(pty.MasterFd(), "HBD> ", 5), 5);
    // What the unit sends is shown as it arrives, before anything is typed.
    ASSERT_TRUE(process.WaitFor(
        [](const std::string& out, const std::string&) { return Has(out, "HBD> "); }, 10s))
        << process.Out();
    process.Write("ab\x1b");
    std::string got;
    while (got.size() < 3) {
        struct pollfd p {
            pty.MasterFd(), POLLIN, 0
        };
        ASSERT_GT(poll(&p, 1, 10000), 0) << got;
        char c;
        ASSERT_EQ(read(pty.MasterFd(), &c, 1), 1);
        got += c;
    }
    EXPECT_EQ(got, "ab\x1b");
    process.Write("\x1d");  // Ctrl-] leaves
    ProcessResult r = process.Finish(10s);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "ab")) << r.out;  // the echo
}

// Records that cannot be written are said (each once) and left out of the summary; the upload
// goes on, and --quiet does not hide them.
TEST_F(CliTest, SamplesPassTheFileChecksAndRecordsLostAreSaid) {
    EXPECT_EQ(Run({"samples", dir_.File("a"), dir_.File("b")}).exitCode, 2);
    EXPECT_TRUE(
        Has(Run({"samples", dir_.Write("f", "")}).err, dir_.File("f") + " is not a folder"));
    ASSERT_EQ(Run({"samples", dir_.File("samples")}).exitCode, 0);
    dir_.Write("samples/SAMPLE.kx", "mine");  // kept unless --force
    EXPECT_EQ(Run({"samples", dir_.File("samples")}).exitCode, 1);
    EXPECT_EQ(dir_.Read("samples/SAMPLE.kx"), "mine");
    ASSERT_EQ(Run({"samples", "--force", dir_.File("samples")}).exitCode, 0);
    dir_.Write("Quillon.ini", "[Logs]\nLog Messages=1\nLog Serial Data=1\n");
    dir_.Write("Logs", "not a folder");
    ASSERT_EQ(mkdir(dir_.File("History.txt").c_str(), 0755), 0);
    const ProcessResult history = Run({"history", "--app-dir", dir_.Dir()});
    EXPECT_EQ(history.exitCode, 1) << history.err;  // a folder is no history
    ProcessResult r =
        Run(Upload({"--simulate", "--comm", dir_.File("samples/SAMPLE_COMM.bin"), "--quiet"}));
    EXPECT_EQ(r.exitCode, 0) << r.err << r.out;
    for (const char* record : {"history entry in ", "message log ", "serial log "}) {
        EXPECT_TRUE(Has(r.err, std::string("warning: not written: ") + record)) << r.err;
    }
    EXPECT_FALSE(Has(r.out, "History:")) << r.out;
    EXPECT_FALSE(Has(r.out, "Message log:")) << r.out;
}

}  // namespace
}  // namespace quillon
