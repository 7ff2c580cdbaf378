// Whole upload sessions of both kinds: the start steps, then the worker with the system's serial
// library on a real pseudo-terminal, a simulated unit on the other end and a fake clock, so that
// time-outs and pauses take no real time. Every run that opened the port must leave it free for
// the next.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "serial/PortName.h"
#include "serial/SerialPort.h"
#include "serial/SystemSerialBackend.h"
#include "session/UploadSession.h"
#include "settings/IniFile.h"
#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#include "sim/PtyPair.h"
#include "sim/UnitRunner.h"
#include "tests/core/upload/HbdTestSupport.h"
#include "tests/core/upload/Kx2TestSupport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/RecordingReporter.h"
#include "tests/support/RowName.h"
#include "tests/support/TestPty.h"

namespace quillon {
namespace {

namespace ev = test::ev;

struct PtyRow;

struct WorkerOverPty : public ::testing::TestWithParam<PtyRow> {
    void Start(sim::SimulatedUnit* unit) {
        runner = std::make_unique<sim::UnitRunner>(*unit, test::OpenPty());
        runner->Start();
        device = runner->DevicePath();
    }
    void StartHbd(sim::FaultPlan faults = {}) {
        hbd = std::make_unique<sim::HbdUnit>(sim::HbdUnit::kDefaultBlockPackets, faults);
        Start(hbd.get());
    }
    void StartKx2(const sim::Kx2Scenario& scenario, size_t fileSize) {
        kx2 = std::make_unique<sim::Kx2Unit>(scenario);
        Start(kx2.get());
        files.comm = File("FIRMWARE.kx", test::Kx2FileContent(fileSize));
    }
    std::string File(const std::string& name, const std::string& bytes) {
        content[name] = bytes;
        return dir.Write(name, bytes);
    }
    // COMM, READER and SPEECH files of these sizes (0: none), as "1.bin" to "3.bin".
    void HbdFiles(std::array<size_t, 3> sizes) {
        std::optional<std::string>* slots[] = {&files.comm, &files.reader, &files.speech};
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
            const int kind = static_cast<int>(board.kind);
            const std::string& file = content[std::to_string(kind) + ".bin"];
            EXPECT_EQ(board.image, test::ExpectedImage(file, board.kind));
            kinds.push_back(kind);
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
    test::RecordingSink sink;
    test::RecordingReporter errors;
    std::shared_ptr<SerialBackend> serial = MakeSystemSerialBackend();
    FileSelection files;
    bool commFirst = true;
    std::string device;
    std::function<void()> beforeStart;  // between the port check and the worker
    std::unique_ptr<UploadSession> session;
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
        t.commFirst = commFirst;
        t.HbdFiles({32768 + 20 * 1024 + 100, 32768 + 3000, 1500});
        t.StartHbd();
        // The pause after a file is what lets a unit take the end of transfer before the next
        // file's clearing call; with the fake clock the test gives the unit that time instead.
        t.sink.hook = [&t, done = size_t{0}](const test::Recorded& n) mutable {
            if (n.code == ev::kFileDone) {
                t.Kinds(++done);
            }
        };
    };
    auto check = [kinds](WorkerOverPty& t) {
        EXPECT_EQ(t.Kinds(3), kinds);
        EXPECT_EQ(t.hbd->BadCrcPackets(), 0);
        EXPECT_EQ(t.sink.Count(ev::kPauseTick), 90u);
        EXPECT_EQ(t.clock.SleptMs(), 90000u);
        EXPECT_EQ(t.sink.Count(ev::kFileDone), 3u);
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
    PtyRow(
        "HBD READER first times out",
        [](WorkerOverPty& t) {
            IniFile ini(t.state.IniPath());
            ASSERT_TRUE(ini.WriteInt("HBD Params", "Retransmit Control Packets", 1));
            t.commFirst = false;
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
            t.sink.hook = [&t](const test::Recorded& n) {
                if (n.code == ev::kLogLine && n.text == "1.4: Wait for response from HBD\n") {
                    t.session->Stop();
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
            t.sink.hook = [&t](const test::Recorded& n) {
                if (n.code == ev::kFileStart) {
                    t.runner->SendToHost({0x05, 0x05, 0x01, 0x32});
                    ASSERT_TRUE(t.serial->WaitForData(PortIndex(3), 30000));
                }
            };
        },
        RunOutcome::kCompleted, 1, 0,
        "Dropped 4 bytes waiting on the line from before this upload\n",
        "Upload COMM File Successful", nullptr),
    // The start check refuses a port that will not open: no worker, nothing sent or logged.
    PtyRow(
        "HBD port that will not open",
        [](WorkerOverPty& t) {
            t.HbdFiles({32768 + 1024, 0, 0});
            t.device = t.dir.File("no-such-tty");
        },
        RunOutcome::kNotFinished, 0, 0, "", "",
        [](WorkerOverPty& t) {
            EXPECT_EQ(t.errors.shown.rfind("201 -: Failed to open serial port!\n\nPort: " +
                                               t.device + "\nBaud Rate: 115200",
                                           0),
                      0u)
                << t.errors.shown;
            EXPECT_FALSE(t.session->Started());
            EXPECT_TRUE(t.sink.Codes().empty());
            EXPECT_FALSE(std::filesystem::exists(t.state.LogsDir()));
        }),
    // The port opened at the check but is gone when the worker opens it (the unit unplugged).
    PtyRow(
        "HBD port gone between the check and the run",
        [](WorkerOverPty& t) {
            t.HbdFiles({32768 + 1024, 0, 0});
            auto pty = std::make_shared<sim::PtyPair>(test::OpenPty());
            t.device = pty->DevicePath();
            t.beforeStart = [pty]() mutable { pty.reset(); };
        },
        RunOutcome::kPortOpenFailed, 0, 0, "", "",
        [](WorkerOverPty& t) {
            EXPECT_EQ(t.sink.Codes(), std::vector<int>{ev::kPortOpenFailed});
            EXPECT_EQ(t.sink.All()[0].number, 3);
            EXPECT_FALSE(std::filesystem::exists(t.state.LogsDir()));
        }),
    // The unit gets the images as they were checked: cut short, overwritten or deleted on disk
    // once the run has begun, the files change nothing.
    PtyRow(
        "HBD files changed on disk during the run",
        [](WorkerOverPty& t) {
            t.HbdFiles({32768 + 40 * 1024, 32768 + 2048, 1500});
            t.StartHbd();
            t.sink.hook = [&t](const test::Recorded& n) {
                if (n.code == ev::kFileStart && n.progress.currentKind == FileKind::kComm) {
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
            EXPECT_EQ(t.sink.Count(ev::kBytesSent) + t.sink.Count(ev::kBytesReceived), 0u);
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
};

TEST_P(WorkerOverPty, RunEndsAsExpectedAndReleasesThePort) {
    const PtyRow& row = GetParam();
    state.appDir = dir.Dir();
    dir.Write("Quillon.ini",
              "[Logs]\nLog Messages=1\nLog Serial Data=1\n[HBD Params]\nWait for HBD Response=4\n"
              "Delay after File Upload=45\n");
    row.prepare(*this);
    session = std::make_unique<UploadSession>(state, clock);
    ASSERT_TRUE(session->CheckFiles(files, kx2 != nullptr, false, IniFile(state.IniPath()), errors))
        << errors.shown;
    const PortName port{3, device};
    if (session->CheckPort(serial, port, 115200, errors)) {
        if (beforeStart) {
            beforeStart();
        }
        // The sink is the fixture's: a shared pointer that does not own it.
        session->Start(RunLine{port, 115200, commFirst},
                       std::shared_ptr<EventSink>(std::shared_ptr<void>(), &sink));
        session->Wait();
    }
    if (runner) {
        runner->StopOnceDrained(5000);
    }
    ASSERT_EQ(session->Outcome(), row.outcome) << ::testing::PrintToString(sink.LogLines());
    const bool ran = session->Started() && row.outcome != RunOutcome::kPortOpenFailed;
    EXPECT_EQ(session->Ended(), session->Started());
    EXPECT_EQ(session->Job().finished.load(), ran);
    if (session->Started()) {
        EXPECT_EQ(sink.Codes().back(), ran ? ev::kWorkerDone : ev::kPortOpenFailed);
    }
    EXPECT_EQ(sink.Count(ev::kFileStart), row.filesStarted);
    EXPECT_EQ(sink.Count(ev::kFileFailed), row.filesFailed);
    EXPECT_TRUE(row.line.empty() || sink.HasLine(row.line)) << row.line;
    EXPECT_NE(History().find(row.history), std::string::npos) << History();
    if (row.check) {
        row.check(*this);
    }
    if (runner && !runner->HungUp()) {
        const auto other = MakeSystemSerialBackend();
        other->SetDevice(0, device);
        SerialPort again(*other);
        EXPECT_EQ(again.OpenPort(0, SerialPort::BaudCode(115200)), 0) << "the port is released";
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, WorkerOverPty, ::testing::ValuesIn(kRows),
                         test::RowNames([](const PtyRow& r) { return r.name; }));

}  // namespace
}  // namespace quillon
