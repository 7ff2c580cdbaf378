// Whole HBD runs: the real worker thread and POSIX serial backend against the simulated unit on
// a pseudo-terminal, with a fake clock so that time-outs and pauses take no real time.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "serial/PosixSerialBackend.h"
#include "settings/IniFile.h"
#include "sim/HbdUnit.h"
#include "sim/UnitRunner.h"
#include "tests/core/upload/HbdTestSupport.h"
#include "tests/support/FakeClock.h"
#include "upload/UploadWorkers.h"

namespace quillon {
namespace {

using test::HookSink;

class HbdOverPty : public ::testing::Test {
  protected:
    void SetUp() override {
        state.appDir = dir.Dir();
        job.notifications = &sink;
        job.portNumber = 3;
        Settings(4, 1, 4, 45);
    }
    void TearDown() override {
        if (runner) {
            runner->Stop();
        }
    }
    void Settings(int control, int data, int wait, int delay) {
        IniFile ini(state.IniPath());
        ASSERT_TRUE(ini.WriteInt("HBD Params", "Retransmit Control Packets", control));
        ASSERT_TRUE(ini.WriteInt("HBD Params", "Retransmit Data Packets", data));
        ASSERT_TRUE(ini.WriteInt("HBD Params", "Wait for HBD Response", wait));
        ASSERT_TRUE(ini.WriteInt("HBD Params", "Delay after File Upload", delay));
    }
    void StartUnit(sim::FaultPlan faults = {}, int blockPackets = 8) {
        unit = std::make_unique<sim::HbdUnit>(blockPackets, faults);
        runner = std::make_unique<sim::UnitRunner>(*unit);
        runner->Start();
    }
    std::string File(const std::string& name, size_t size, uint32_t seed) {
        content[name] = test::PatternBytes(size, seed);
        return dir.Write(name, content[name]);
    }
    RunOutcome Run(const std::string& device = "") {
        const std::string path = device.empty() && runner ? runner->DevicePath() : device;
        WorkerContext context{serial, clock, state, [&](int index, const std::string&) {
                                  serial.SetDevice(index, path);
                              }};
        exitCode = RunHbdUploadWorker(job, context);
        return job.outcome.load();
    }
    // The unit reads the last end of transfer after the worker has already closed its port.
    std::vector<sim::ReceivedBoard> BoardsWhenThereAre(size_t count) {
        for (int i = 0; i < 500 && unit->Boards().size() < count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return unit->Boards();
    }
    std::vector<int> Kinds(const std::vector<sim::ReceivedBoard>& boards) {
        std::vector<int> kinds;
        for (const auto& b : boards) {
            kinds.push_back(b.kind);
        }
        return kinds;
    }

    test::TempDir dir;
    test::FakeClock clock;
    ProgramState state;
    HookSink sink;
    PosixSerialBackend serial;
    UploadJob job;
    std::unique_ptr<sim::HbdUnit> unit;
    std::unique_ptr<sim::UnitRunner> runner;
    std::map<std::string, std::string> content;
    int exitCode = -1;
};

TEST_F(HbdOverPty, AllThreeBoardsArriveByteExactInTheConfiguredOrder) {
    for (uint8_t commFirst : {1, 0}) {
        SCOPED_TRACE(commFirst);
        HookSink fresh;
        job.notifications = &fresh;
        job.commFirst = commFirst;
        job.commFile = File("c.bin", 32768 + 20 * 1024 + 100, 1);
        job.readerFile = File("r.bin", 32768 + 3000, 2);
        job.speechFile = File("s.bin", 1500, 3);
        StartUnit();
        // The pause after a file is what lets a unit take the end of transfer before the next
        // file's clearing call; with the fake clock the test gives the unit that time instead.
        size_t filesDone = 0;
        fresh.hook = [&](const Notification& n) {
            if (n.code == UM_FILE_DONE) {
                BoardsWhenThereAre(++filesDone);
            }
        };
        const uint64_t slept = clock.SleptMs();
        ASSERT_EQ(Run(), RunOutcome::kCompleted);
        EXPECT_EQ(exitCode, 0);
        EXPECT_EQ(job.finished.load(), 1);
        EXPECT_EQ(fresh.Codes().back(), UM_WORKER_DONE);
        const auto boards = BoardsWhenThereAre(3);
        EXPECT_EQ(Kinds(boards),
                  commFirst ? (std::vector<int>{1, 2, 3}) : (std::vector<int>{2, 1, 3}));
        for (const auto& board : boards) {
            const char* name = board.kind == 1 ? "c.bin" : board.kind == 2 ? "r.bin" : "s.bin";
            EXPECT_EQ(board.image, test::ExpectedImage(content[name], board.kind)) << name;
        }
        EXPECT_EQ(unit->BadCrcPackets(), 0);
        // Two pauses of 45 seconds, between the files only.
        EXPECT_EQ(fresh.Count(UM_DELAY_TICK), 90u);
        EXPECT_EQ(clock.SleptMs() - slept, 90000u);
        EXPECT_EQ(fresh.Count(UM_FILE_DONE), 3u);
        runner->Stop();
    }
}

TEST_F(HbdOverPty, UnitThatFailsEndsTheRunWithAFailure) {
    struct Row {
        const char* name;
        sim::FaultPlan faults;
        const char* historyText;
    };
    auto plan = [](auto set) {
        sim::FaultPlan f;
        set(f);
        return f;
    };
    const Row rows[] = {
        {"line dropped after packet 1", plan([](auto& f) { f.hangupAfterPacket = 1; }),
         "No/Bad Response from KX, Step: Next Packet"},
        {"flood of bytes", plan([](auto& f) { f.flood = true; }),
         "No/Bad Response from KX, Step: Begin Upload"},
        {"unit aborts the transfer", plan([](auto& f) {
             f.badReplyPacket = 1;
             f.badReplyCode = 0x38;
             f.badReplyTimes = 5;
         }),
         "No/Bad Response from KX, Step: Get Ack from HBD"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HookSink fresh;
        job.notifications = &fresh;
        job.commFile = File("c.bin", 32768 + 3 * 1024, 5);
        job.speechFile = File("s.bin", 2048, 6);
        std::filesystem::remove(dir.File("History.txt"));
        StartUnit(row.faults);
        ASSERT_EQ(Run(), RunOutcome::kFailed) << ::testing::PrintToString(fresh.LogLines());
        EXPECT_EQ(fresh.Count(UM_FILE_FAILED), 1u);
        EXPECT_EQ(fresh.Count(UM_FILE_START), 1u) << "SPEECH is not attempted";
        EXPECT_EQ(fresh.Codes().back(), UM_WORKER_DONE);
        EXPECT_NE(dir.Read("History.txt").find("ERROR = " + std::string(row.historyText)),
                  std::string::npos)
            << dir.Read("History.txt");
        runner->Stop();
    }
}

TEST_F(HbdOverPty, FailedReaderStopsTheRun) {
    Settings(1, 1, 4, 45);
    job.commFirst = 0;
    job.commFile = File("c.bin", 32768 + 1024, 1);
    job.readerFile = File("r.bin", 32768 + 1024, 2);
    job.speechFile = File("s.bin", 1024, 3);
    sim::FaultPlan faults;
    faults.silentExchange = 1;  // the READER's begin-upload
    StartUnit(faults);
    EXPECT_EQ(Run(), RunOutcome::kFailed);
    EXPECT_EQ(sink.Count(UM_FILE_START), 1u);
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 1u);
    EXPECT_TRUE(sink.HasLine("Giving Up! No/Bad Response from HBD after 1 tries\n"));
    const std::string history = dir.Read("History.txt");
    EXPECT_NE(history.find("Begin Upload READER File"), std::string::npos);
    EXPECT_EQ(history.find("COMM"), std::string::npos);
    EXPECT_EQ(history.find("SPEECH"), std::string::npos);
    EXPECT_TRUE(unit->Boards().empty());
}

TEST_F(HbdOverPty, OnlySpeechHasNoPause) {
    job.speechFile = File("s.bin", 5000, 3);
    StartUnit();
    ASSERT_EQ(Run(), RunOutcome::kCompleted);
    EXPECT_EQ(sink.Count(UM_DELAY_TICK), 0u);
    EXPECT_EQ(clock.SleptMs(), 0u);
    const auto all = sink.All();
    const auto counted =
        std::find_if(all.begin(), all.end(), [](const auto& r) { return r.code == UM_PROGRESS; });
    EXPECT_EQ(counted->wParam, 1);
    EXPECT_EQ(counted->progress.filesRemaining, 1);
    EXPECT_EQ(Kinds(BoardsWhenThereAre(1)), std::vector<int>{3});
}

TEST_F(HbdOverPty, AbortWhileWaitingEndsWithoutAFailureRecord) {
    job.commFile = File("c.bin", 32768 + 4096, 1);
    job.speechFile = File("s.bin", 1024, 3);
    sim::FaultPlan faults;
    faults.silentExchange = 3;  // packet 1's data: the worker waits
    StartUnit(faults);
    sink.hook = [&](const Notification& n) {
        if (n.code == UM_LOG_LINE && n.text == "1.4: Wait for response from HBD\n") {
            job.abortRequest = 1;
        }
    };
    EXPECT_EQ(Run(), RunOutcome::kAborted);
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 0u);
    EXPECT_EQ(sink.Count(UM_FILE_START), 1u);
    EXPECT_EQ(sink.Codes().back(), UM_WORKER_DONE);
    const std::string history = dir.Read("History.txt");
    EXPECT_NE(history.find("ERROR = *** USER ABORTED UPLOAD ***"), std::string::npos);
    EXPECT_EQ(history.find("Step:"), std::string::npos);
}

TEST_F(HbdOverPty, AbortDuringThePauseStopsBeforeTheNextFile) {
    job.commFile = File("c.bin", 32768 + 1024, 1);
    job.speechFile = File("s.bin", 1024, 3);
    StartUnit();
    sink.hook = [&](const Notification& n) {
        if (n.code == UM_DELAY_TICK && n.progress->delayRemaining == 40) {
            job.abortRequest = 1;
        }
    };
    EXPECT_EQ(Run(), RunOutcome::kAborted);
    EXPECT_EQ(sink.Count(UM_FILE_START), 1u);
    EXPECT_EQ(sink.Count(UM_FILE_DONE), 1u);
    EXPECT_EQ(sink.Count(UM_FILE_FAILED), 0u);
    EXPECT_EQ(Kinds(BoardsWhenThereAre(1)), std::vector<int>{1});
}

TEST_F(HbdOverPty, PortThatWillNotOpenSendsOneNotificationOnly) {
    job.commFile = File("c.bin", 32768 + 1024, 1);
    EXPECT_EQ(Run(dir.File("no-such-tty")), RunOutcome::kPortOpenFailed);
    EXPECT_EQ(exitCode, 1);
    ASSERT_EQ(sink.All().size(), 1u);
    EXPECT_EQ(sink.All()[0].code, UM_PORT_OPEN_FAILED);
    EXPECT_EQ(sink.All()[0].wParam, 3);
    EXPECT_EQ(job.finished.load(), 0);
    EXPECT_FALSE(std::filesystem::exists(state.LogsDir()));
}

TEST_F(HbdOverPty, FileThatCannotBeCountedEndsTheRunBeforeSending) {
    job.commFile = File("c.bin", 32768 + 1024, 1);
    job.readerFile = dir.File("missing.bin");
    StartUnit();
    EXPECT_EQ(Run(), RunOutcome::kFailed);
    EXPECT_TRUE(
        sink.HasLine("ERROR: Failed to open READER File\"" + dir.File("missing.bin") + "\"!\n"));
    EXPECT_FALSE(sink.HasLine("Prep 2: Success; open/configure serial port\n"));
    EXPECT_EQ(sink.Count(UM_FILE_START), 0u);
    EXPECT_EQ(sink.Codes().back(), UM_WORKER_DONE);
    EXPECT_EQ(runner->BytesReceived(), 0u);
}

TEST_F(HbdOverPty, SerialDataLogHoldsEveryByteBothWays) {
    ASSERT_TRUE(IniFile(state.IniPath()).WriteInt("Logs", "Log Serial Data", 1));
    job.commFile = File("c.bin", 32768 + 1024, 1);
    StartUnit();
    ASSERT_EQ(Run(), RunOutcome::kCompleted);
    std::string log;
    for (const auto& entry : std::filesystem::directory_iterator(state.LogsDir())) {
        if (entry.path().filename().string().rfind("Quillon_LogSerial_", 0) == 0) {
            log = dir.Read("Logs/" + entry.path().filename().string());
        }
    }
    ASSERT_FALSE(log.empty());
    for (const char* entry : {"TX  05 05 01 31", "RX  05 05 01 31", "TX  05 05 01 32",
                              "RX  05 05 01 33", "TX  05 05 01 03"}) {
        EXPECT_NE(log.find(entry), std::string::npos) << entry;
    }
}

}  // namespace
}  // namespace quillon
