// Whole runs of both upload workers: the worker with the POSIX serial library on a real
// pseudo-terminal, a simulated unit on the other end and a fake clock, so that time-outs and
// pauses take no real time. Every run that opened the port must leave it free for the next.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "serial/PortName.h"
#include "serial/PosixSerialBackend.h"
#include "settings/IniFile.h"
#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#include "sim/UnitRunner.h"
#include "tests/core/upload/HbdTestSupport.h"
#include "tests/core/upload/Kx2TestSupport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/RowName.h"
#include "tests/support/TestPty.h"
#include "upload/UploadWorkers.h"

namespace quillon {
namespace {

struct PtyRow;

struct WorkerOverPty : public ::testing::TestWithParam<PtyRow> {
    void Start(sim::SimulatedUnit* unit) {
        runner = std::make_unique<sim::UnitRunner>(*unit, test::OpenPty());
        runner->Start();
    }
    void StartHbd(sim::FaultPlan faults = {}) {
        hbd = std::make_unique<sim::HbdUnit>(sim::HbdUnit::kDefaultBlockPackets, faults);
        Start(hbd.get());
    }
    void StartKx2(const sim::Kx2Scenario& scenario, size_t fileSize) {
        kx2 = std::make_unique<sim::Kx2Unit>(scenario);
        Start(kx2.get());
        job.commImage = File("FIRMWARE.kx", test::Kx2FileContent(fileSize));
    }
    // The file written and read back as the start checks read it.
    FirmwareImageRef File(const std::string& name, const std::string& bytes) {
        content[name] = bytes;
        std::string error;
        return ReadFirmwareImage(dir.Write(name, bytes), &error);
    }
    // COMM, READER and SPEECH files of these sizes (0: none), as "1.bin" to "3.bin".
    void HbdFiles(std::array<size_t, 3> sizes) {
        FirmwareImageRef* slots[] = {&job.commImage, &job.readerImage, &job.speechImage};
        for (uint32_t kind = 1; kind <= 3; ++kind) {
            if (sizes[kind - 1] != 0) {
                *slots[kind - 1] =
                    File(std::to_string(kind) + ".bin", test::PatternBytes(sizes[kind - 1], kind));
            }
        }
    }
    // The kinds of the boards the unit has, each checked byte for byte, once there are `count`
    // (the unit reads the last end of transfer after the worker has already closed its port).
    std::vector<int> Kinds(size_t count) {
        for (int i = 0; i < 3000 && hbd->Boards().size() < count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::vector<int> kinds;
        for (const auto& board : hbd->Boards()) {
            const std::string& file = content[std::to_string(board.kind) + ".bin"];
            EXPECT_EQ(board.image, test::ExpectedImage(file, board.kind));
            kinds.push_back(board.kind);
        }
        return kinds;
    }
    std::vector<uint8_t> Kx2Image() {
        return {content["FIRMWARE.kx"].begin(), content["FIRMWARE.kx"].end()};
    }
    std::string History() const { return dir.Read("History.txt"); }
    std::string SerialLog() const {
        std::string log;
        for (const auto& entry : std::filesystem::directory_iterator(state.LogsDir())) {
            if (entry.path().filename().string().rfind("Quillon_LogSerial_", 0) == 0) {
                log += dir.Read("Logs/" + entry.path().filename().string());
            }
        }
        return log;
    }

    test::TempDir dir;
    test::FakeClock clock;
    ProgramState state;
    test::HookSink sink;
    PosixSerialBackend serial;
    UploadJob job;
    std::unique_ptr<sim::HbdUnit> hbd;
    std::unique_ptr<sim::Kx2Unit> kx2;
    std::unique_ptr<sim::UnitRunner> runner;
    std::map<std::string, std::string> content;
};

struct PtyRow {
    const char* name;
    std::function<void(WorkerOverPty&)> prepare;  // files, settings and the unit, if any
    RunOutcome outcome;
    size_t filesStarted;
    size_t filesFailed;
    std::string line;     // logged, when not empty
    std::string history;  // in the history, when not empty
    std::function<void(WorkerOverPty&)> check;
};

// All three boards in the configured order, byte exact, with two pauses of 45 seconds between
// the files only, and every byte both ways in the serial-data log.
PtyRow ThreeBoards(const char* name, bool commFirst, std::vector<int> kinds) {
    auto prepare = [commFirst](WorkerOverPty& t) {
        t.job.commFirst = commFirst ? 1 : 0;
        t.HbdFiles({32768 + 20 * 1024 + 100, 32768 + 3000, 1500});
        t.StartHbd();
        // The pause after a file is what lets a unit take the end of transfer before the next
        // file's clearing call; with the fake clock the test gives the unit that time instead.
        t.sink.hook = [&t, done = size_t{0}](const Notification& n) mutable {
            if (n.code == UM_FILE_DONE) {
                t.Kinds(++done);
            }
        };
    };
    auto check = [kinds](WorkerOverPty& t) {
        EXPECT_EQ(t.Kinds(3), kinds);
        EXPECT_EQ(t.hbd->BadCrcPackets(), 0);
        EXPECT_EQ(t.sink.Count(UM_DELAY_TICK), 90u);
        EXPECT_EQ(t.clock.SleptMs(), 90000u);
        EXPECT_EQ(t.sink.Count(UM_FILE_DONE), 3u);
        for (const char* entry : {"TX  05 05 01 31", "RX  05 05 01 31", "TX  05 05 01 32",
                                  "RX  05 05 01 33", "TX  05 05 01 03"}) {
            EXPECT_NE(t.SerialLog().find(entry), std::string::npos) << entry;
        }
    };
    return PtyRow(name, prepare, RunOutcome::kCompleted, 3, 0, "", "", check);
}

const PtyRow kRows[] = {
    ThreeBoards("HBD COMM first", true, {1, 2, 3}),
    ThreeBoards("HBD READER first", false, {2, 1, 3}),
    // SPEECH is not attempted after a failed COMM file.
    PtyRow(
        "HBD line dropped",
        [](WorkerOverPty& t) {
            t.HbdFiles({32768 + 3 * 1024, 0, 2048});
            sim::FaultPlan faults;
            faults.hangupAfterPacket = 1;
            t.StartHbd(faults);
        },
        RunOutcome::kFailed, 1, 1, "", "ERROR = No/Bad Response from KX, Step: Next Packet",
        nullptr),
    PtyRow(
        "HBD READER first times out",
        [](WorkerOverPty& t) {
            IniFile ini(t.state.IniPath());
            ASSERT_TRUE(ini.WriteInt("HBD Params", "Retransmit Control Packets", 1));
            t.job.commFirst = 0;
            t.HbdFiles({32768 + 1024, 32768 + 1024, 1024});
            sim::FaultPlan faults;
            faults.silentExchange = 1;  // the READER's begin-upload
            t.StartHbd(faults);
        },
        RunOutcome::kFailed, 1, 1, "ERROR: No response from HBD (try # 1).\n\n",
        "Begin Upload READER File",
        [](WorkerOverPty& t) {
            EXPECT_EQ(t.History().find("COMM"), std::string::npos);
            EXPECT_EQ(t.History().find("SPEECH"), std::string::npos);
            EXPECT_TRUE(t.hbd->Boards().empty());
        }),
    PtyRow(
        "HBD user abort while waiting",
        [](WorkerOverPty& t) {
            t.HbdFiles({32768 + 4096, 0, 1024});
            sim::FaultPlan faults;
            faults.silentExchange = 3;  // packet 1's data: the worker waits
            t.StartHbd(faults);
            t.sink.hook = [&t](const Notification& n) {
                if (n.code == UM_LOG_LINE && n.text == "1.4: Wait for response from HBD\n") {
                    t.job.abortRequest = 1;
                }
            };
        },
        RunOutcome::kAborted, 1, 0, "", "ERROR = *** USER ABORTED UPLOAD ***",
        [](WorkerOverPty& t) { EXPECT_EQ(t.History().find("Step:"), std::string::npos); }),
    // An interrupted run's answer still on its way is taken off the line before the begin
    // request; taken as the answer to it, it would put every later answer one step out of place.
    PtyRow(
        "HBD stale answer from an interrupted run",
        [](WorkerOverPty& t) {
            t.HbdFiles({32768 + 2048, 0, 0});
            t.StartHbd();
            t.sink.hook = [&t](const Notification& n) {
                if (n.code == UM_FILE_START) {
                    t.runner->SendToHost({0x05, 0x05, 0x01, 0x32});
                    ASSERT_TRUE(t.serial.WaitForData(PortIndex(3), 30000));
                }
            };
        },
        RunOutcome::kCompleted, 1, 0,
        "Dropped 4 bytes waiting on the line from before this upload\n",
        "Upload COMM File Successful", nullptr),
    PtyRow(
        "HBD port that will not open",
        [](WorkerOverPty& t) {
            t.HbdFiles({32768 + 1024, 0, 0});
        },
        RunOutcome::kPortOpenFailed, 0, 0, "", "",
        [](WorkerOverPty& t) {
            EXPECT_EQ(t.sink.Codes(), std::vector<int>{UM_PORT_OPEN_FAILED});
            EXPECT_EQ(t.sink.All()[0].wParam, 3);
            EXPECT_FALSE(std::filesystem::exists(t.state.LogsDir()));
        }),
    // The unit gets the images as they were checked: cut short, overwritten or deleted on disk
    // once the run has begun, the files change nothing.
    PtyRow(
        "HBD files changed on disk during the run",
        [](WorkerOverPty& t) {
            t.HbdFiles({32768 + 40 * 1024, 32768 + 2048, 1500});
            t.StartHbd();
            t.sink.hook = [&t](const Notification& n) {
                if (n.code == UM_FILE_START && n.progress->currentKind == kKindComm) {
                    std::filesystem::resize_file(t.dir.File("1.bin"), 65536);
                    t.dir.Write("2.bin", std::string(32768 + 2048, 'X'));
                    std::filesystem::remove(t.dir.File("3.bin"));
                }
            };
        },
        RunOutcome::kCompleted, 3, 0, "", "Upload SPEECH File Successful",
        [](WorkerOverPty& t) {
            EXPECT_EQ(t.Kinds(3), (std::vector<int>{1, 2, 3}));
        }),
    PtyRow(
        "KX2 clean", [](WorkerOverPty& t) { t.StartKx2({}, 300000); }, RunOutcome::kCompleted, 1, 0,
        "Prep 2: Success; open serial port 3, baud-rate 115200= \n", "",
        [](WorkerOverPty& t) {
            const auto report = t.kx2->GetReport();
            EXPECT_EQ(report.image, t.Kx2Image());
            EXPECT_EQ(report.badFrames + report.badStartRequests + report.badDataFrames, 0u);
            EXPECT_EQ(report.dataFrames.size(), 296u);
            EXPECT_EQ(t.sink.Count(UM_TX_BYTES) + t.sink.Count(UM_RX_BYTES), 0u);
            EXPECT_NE(t.SerialLog(), "");
        }),
    // First pass 1..13, then exactly the lost ones, 12 as the last of the list.
    PtyRow(
        "KX2 lost packets are listed and sent again",
        [](WorkerOverPty& t) {
            ASSERT_TRUE(IniFile(t.state.IniPath()).WriteInt("Logs", "Log Serial Data", 0));
            sim::Kx2Scenario scenario;
            scenario.losePackets = {3, 7, 12};
            t.StartKx2(scenario, 12 * 1014 + 100);
        },
        RunOutcome::kCompleted, 1, 0, "", "",
        [](WorkerOverPty& t) {
            const auto report = t.kx2->GetReport();
            EXPECT_EQ(report.image, t.Kx2Image());
            ASSERT_EQ(report.dataFrames.size(), 16u);
            EXPECT_EQ(std::vector<int>(report.dataFrames.begin() + 13, report.dataFrames.end()),
                      (std::vector<int>{3, 7, 12}));
            EXPECT_EQ(report.lastFrames, (std::vector<int>{13, 12}));
            EXPECT_EQ(t.SerialLog(), "") << "serial data is not logged with the setting off";
        }),
    PtyRow(
        "KX2 endless flood",
        [](WorkerOverPty& t) {
            sim::Kx2Scenario scenario;
            scenario.floodForever = true;
            scenario.silentStartRequests = 3;
            t.StartKx2(scenario, 3 * 1014);
        },
        RunOutcome::kFailed, 1, 1,
        "Giving Up! Did not get proper response from KX2 after 3 tries\n",
        "ERROR = No/Bad Response from KX2, Step: Begin Upload",
        [](WorkerOverPty& t) { EXPECT_EQ(t.kx2->GetReport().startRequests, 3u); }),
};

TEST_P(WorkerOverPty, RunEndsAsExpectedAndReleasesThePort) {
    const PtyRow& row = GetParam();
    state.appDir = dir.Dir();
    dir.Write("Quillon.ini",
              "[Logs]\nLog Messages=1\nLog Serial Data=1\n[HBD Params]\nWait for HBD Response=4\n"
              "Delay after File Upload=45\n");
    job.notifications = &sink;
    job.portNumber = 3;
    job.baudRate = 115200;
    row.prepare(*this);
    const std::string device = runner ? runner->DevicePath() : dir.File("no-such-tty");
    job.portDevice = device;
    WorkerContext context{serial, clock, state};
    const int exitCode = kx2 ? RunKx2UploadWorker(job, context) : RunHbdUploadWorker(job, context);
    if (runner) {
        runner->StopOnceDrained(5000);
    }
    const bool opened = row.outcome != RunOutcome::kPortOpenFailed;
    ASSERT_EQ(job.outcome.load(), row.outcome) << ::testing::PrintToString(sink.LogLines());
    EXPECT_EQ(exitCode, opened ? 0 : 1);
    EXPECT_EQ(job.finished.load(), opened ? 1 : 0);
    EXPECT_EQ(sink.Codes().back(), opened ? UM_WORKER_DONE : UM_PORT_OPEN_FAILED);
    EXPECT_EQ(sink.Count(UM_FILE_START), row.filesStarted);
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), row.filesFailed);
    EXPECT_TRUE(row.line.empty() || sink.HasLine(row.line)) << row.line;
    EXPECT_NE(History().find(row.history), std::string::npos) << History();
    if (row.check) {
        row.check(*this);
    }
    if (runner && !runner->HungUp()) {
        PosixSerialBackend other;
        other.SetDevice(0, device);
        SerialPort again(other);
        EXPECT_EQ(again.OpenPort(0, SerialPort::BaudCode(115200)), 0) << "the port is released";
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, WorkerOverPty, ::testing::ValuesIn(kRows),
                         test::RowNames([](const PtyRow& r) { return r.name; }));

}  // namespace
}  // namespace quillon
