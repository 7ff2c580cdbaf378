// Crash safety of what the program keeps on disk: the settings file killed in the middle of a
// write, the history killed in the middle of an append or cut off by a full disk, and whole
// uploads with an application folder that cannot take logs or history. Writers run in forked
// children so that a SIGKILL or a file-size limit hits them and not the test.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <random>
#include <sstream>
#include <thread>

#include "records/UploadHistory.h"
#include "serial/PosixSerialBackend.h"
#include "settings/IniFile.h"
#include "sim/HbdUnit.h"
#include "sim/UnitRunner.h"
#include "tests/core/upload/HbdTestSupport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/TempDir.h"
#include "upload/UploadWorkers.h"

namespace quillon {
namespace {

constexpr int kKills = 120;
constexpr int kMaxKillDelayUs = 4000;

// Runs body in a child that is killed after delayUs (when it has not ended by itself).
void RunAndKill(const std::function<void()>& body, int delayUs) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        body();
        ::_exit(0);
    }
    ::usleep(static_cast<useconds_t>(delayUs));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
}

// Exit status of body run in a child (body's return value), for limits that must not touch
// the test process.
int RunInChild(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Limits files this process writes to `bytes`; a write past it fails with EFBIG (as on a full
// disk) instead of raising SIGXFSZ.
void LimitFileSize(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

size_t LeftoverTempFiles(const test::TempDir& dir) {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Dir())) {
        count += entry.path().filename().string().find(".tmp") != std::string::npos ? 1 : 0;
    }
    return count;
}

TEST(CrashSafety, SettingsFileKilledDuringAWriteHoldsTheOldOrTheNewContent) {
    test::TempDir dir;
    IniFile ini(dir.File("Quillon.ini"));
    // Two versions large enough that a kill often lands inside the write.
    const std::string a =
        "[HBD Params]\nWait for HBD Response=6\n[Big]\nA=" + std::string(20000, 'a') + "\n";
    const std::string b =
        "[HBD Params]\nWait for HBD Response=9\n[Big]\nB=" + std::string(30000, 'b') + "\n";
    ASSERT_TRUE(ini.ReplaceWith(a));
    std::mt19937 rng(2026);
    int sawA = 0;
    int sawB = 0;
    for (int i = 0; i < kKills; ++i) {
        RunAndKill(
            [&] {
                for (;;) {
                    ini.ReplaceWith(b);
                    ini.ReplaceWith(a);
                }
            },
            static_cast<int>(rng() % kMaxKillDelayUs));
        const std::string now = dir.Read("Quillon.ini");
        ASSERT_TRUE(now == a || now == b) << "kill " << i << " left " << now.size() << " bytes";
        (now == a ? sawA : sawB)++;
        EXPECT_EQ(ini.GetInt("HBD Params", "Wait for HBD Response", 0), now == a ? 6 : 9);
    }
    // Both versions were caught, so the kills did land at different moments of the writes.
    EXPECT_GT(sawA, 0);
    EXPECT_GT(sawB, 0);
    // A kill between creating and renaming the temporary file leaves that file behind; it is
    // never read, and never more than one per kill.
    EXPECT_LE(LeftoverTempFiles(dir), static_cast<size_t>(kKills));
}

TEST(CrashSafety, SettingsKeyWrittenInALoopAndKilledStaysReadable) {
    test::TempDir dir;
    IniFile ini(dir.File("Quillon.ini"));
    ASSERT_TRUE(ini.WriteString("Serial Port", "Device", "/dev/ttyUSB0"));
    std::mt19937 rng(5);
    int32_t last = -1;
    for (int i = 0; i < kKills / 3; ++i) {
        RunAndKill(
            [&] {
                for (int32_t n = 0;; ++n) {
                    ini.WriteInt("Serial Port", "Port Number", n);
                }
            },
            static_cast<int>(rng() % (5 * kMaxKillDelayUs)));
        EXPECT_EQ(ini.GetString("Serial Port", "Device", "?"), "/dev/ttyUSB0");
        const int32_t n = ini.GetInt("Serial Port", "Port Number", -1);
        EXPECT_GE(n, -1);  // absent (no write finished yet) or a whole number written
        last = std::max(last, n);
    }
    EXPECT_GE(last, 0);
}

TEST(CrashSafety, HistoryAppendKilledMidwayNeverDamagesEarlierEntries) {
    const std::string kError = "No/Bad Response from KX, Step: Next Packet";
    test::TempDir dir;
    test::FakeClock clock;
    UploadHistory history(dir.Dir(), clock);
    for (int i = 0; i < 10; ++i) {
        history.WriteUploadSuccess("/fw/COMM_" + std::to_string(i) + ".bin", 1, 200 + i);
    }
    const std::string before = dir.Read("History.txt");
    const std::string entry = "/fw/" + std::string(3000, 'x') + ".bin";
    std::mt19937 rng(77);
    for (int i = 0; i < kKills / 3; ++i) {
        RunAndKill(
            [&] {
                for (;;) {
                    history.WriteUploadFailed(entry, 2, kError);
                }
            },
            static_cast<int>(rng() % kMaxKillDelayUs));
    }
    // Only the entry being written when the kill came can be cut short, and the next entry never
    // runs into it: every line is a line of a whole entry or the start of one.
    history.WriteUploadSuccess("/fw/LAST.bin", 1, 61);
    test::TempDir fresh;
    UploadHistory(fresh.Dir(), clock).WriteUploadSuccess("/fw/LAST.bin", 1, 61);
    test::TempDir whole;
    UploadHistory(whole.Dir(), clock).WriteUploadFailed(entry, 2, kError);
    const std::string wholeEntry = whole.Read("History.txt");
    const std::string after = dir.Read("History.txt");
    ASSERT_EQ(after.substr(0, before.size()), before);
    const std::string last = fresh.Read("History.txt");
    ASSERT_EQ(after.substr(after.size() - last.size()), last);
    std::istringstream lines(
        after.substr(before.size(), after.size() - before.size() - last.size()));
    for (std::string line; std::getline(lines, line);) {
        ASSERT_NE(wholeEntry.find(line), std::string::npos) << "a line no entry has: " << line;
    }
}

// A full disk mid-entry must drop the entry whole, as the history promises: a torn entry would
// run into the next one written once there is room again.
TEST(CrashSafety, HistoryEntryCutOffByAFullDiskIsDroppedWhole) {
    test::TempDir dir;
    test::FakeClock clock;
    UploadHistory history(dir.Dir(), clock);
    history.WriteBeginUpload("/fw/COMM.bin", 1);
    const std::string before = dir.Read("History.txt");
    for (rlim_t room : {rlim_t{0}, rlim_t{1}, rlim_t{30}, rlim_t{100}}) {
        SCOPED_TRACE(room);
        EXPECT_EQ(RunInChild([&] {
                      LimitFileSize(before.size() + room);
                      history.WriteUploadSuccess("/fw/COMM.bin", 1, 61);
                      return 0;
                  }),
                  0);
        EXPECT_EQ(dir.Read("History.txt"), before);
    }
    // Once there is room again the next entry follows the earlier ones as if nothing happened.
    history.WriteUploadSuccess("/fw/COMM.bin", 1, 61);
    test::TempDir fresh;
    UploadHistory(fresh.Dir(), clock).WriteUploadSuccess("/fw/COMM.bin", 1, 61);
    EXPECT_EQ(dir.Read("History.txt"), before + fresh.Read("History.txt"));
}

// ---------------------------------------------------------------------------------------------
// Uploads whose application folder cannot take the logs and the history.

struct UploadResult {
    RunOutcome outcome = RunOutcome::kNotFinished;
    bool delivered = false;
    std::vector<std::string> lines;
};

struct Firmware {
    std::string content = test::PatternBytes(hbd::kBoardImageOffset + 3 * 1024 + 17, 11);
    std::string path;
};

UploadResult UploadOneComm(const std::string& appDir, const Firmware& firmware) {
    const std::string& content = firmware.content;
    const std::string& path = firmware.path;
    ProgramState state;
    state.appDir = appDir;
    test::HookSink sink;
    UploadJob job;
    job.notifications = &sink;
    job.commFile = path;
    test::FakeClock clock;
    PosixSerialBackend serial;
    sim::HbdUnit unit;
    sim::UnitRunner runner(unit);
    runner.Start();
    WorkerContext context{serial, clock, state, [&](int index, const std::string&) {
                              serial.SetDevice(index, runner.DevicePath());
                          }};
    RunHbdUploadWorker(job, context);
    for (int i = 0; i < 500 && unit.Boards().empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    runner.Stop();
    UploadResult result;
    result.outcome = job.outcome.load();
    const auto boards = unit.Boards();
    result.delivered = boards.size() == 1 && boards[0].image == test::ExpectedImage(content, 1);
    result.lines = sink.LogLines();
    return result;
}

TEST(CrashSafety, UploadRunsWhenTheAppFolderCannotBeWritten) {
    test::TempDir dir;
    // A folder below a regular file cannot exist, whoever runs the test (root included).
    const std::string blocked = dir.Write("not-a-folder", "x") + "/app/";
    Firmware firmware;
    firmware.path = dir.Write("COMM.bin", firmware.content);
    const UploadResult result = UploadOneComm(blocked, firmware);
    EXPECT_EQ(result.outcome, RunOutcome::kCompleted);
    EXPECT_TRUE(result.delivered);
    ASSERT_FALSE(result.lines.empty());
    // The technician is told that there is no log, in so many words.
    EXPECT_EQ(result.lines[0].rfind("Prep 1: FAILED; to open log file (" + blocked + "Logs/", 0),
              0u)
        << result.lines[0];
    EXPECT_FALSE(std::filesystem::exists(dir.File("not-a-folder/app")));
}

TEST(CrashSafety, UploadRunsOnAFullDisk) {
    test::TempDir app;
    test::TempDir files;
    std::filesystem::create_directories(app.File("Logs"));
    Firmware firmware;
    firmware.path = files.Write("COMM.bin", firmware.content);
    // The limit lets the message log and the history take 150 bytes each, far less than a run
    // writes (the begin entry fits, the success entry no longer does): every later write fails
    // as on a full disk.
    const int status = RunInChild([&] {
        LimitFileSize(150);
        const UploadResult result = UploadOneComm(app.Dir(), firmware);
        return result.outcome == RunOutcome::kCompleted && result.delivered ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    // What the history took are whole entries: the begin entry fits, the success does not.
    const std::string history = app.Read("History.txt");
    EXPECT_NE(history.find("Begin Upload COMM File"), std::string::npos);
    EXPECT_EQ(history.find("Successful"), std::string::npos);
    EXPECT_EQ(history.back(), '\n');
}

}  // namespace
}  // namespace quillon
