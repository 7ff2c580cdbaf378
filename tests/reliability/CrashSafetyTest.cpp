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
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "protocol/Boards.h"
#include "records/UploadHistory.h"
#include "serial/PosixSerialBackend.h"
#include "settings/IniFile.h"
#include "sim/HbdUnit.h"
#include "sim/UnitRunner.h"
#include "tests/core/upload/HbdTestSupport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPty.h"
#include "upload/UploadWorkers.h"

namespace quillon {
namespace {

constexpr int kKills = 120;

// Runs step(1) ... step(steps) in a child and kills it once the last step has begun: the kill
// lands inside that step or after its end, however fast the machine is.
void RunAndKill(const std::function<void(int step)>& step, int steps) {
    int begun[2];
    ASSERT_EQ(::pipe(begun), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int n = 1; n <= steps; ++n) {
            (void)!::write(begun[1], "+", 1);
            step(n);
        }
        ::pause();
    }
    char token = 0;
    for (int n = 0; n < steps && ::read(begun[0], &token, 1) == 1; ++n) {
    }
    ::kill(child, SIGKILL);
    EXPECT_EQ(::waitpid(child, nullptr, 0), child);
    ::close(begun[0]);
    ::close(begun[1]);
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
    const struct rlimit limit { bytes, bytes };
    ::setrlimit(RLIMIT_FSIZE, &limit);
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
        RunAndKill([&](int step) { ini.ReplaceWith(step % 2 == 1 ? b : a); },
                   static_cast<int>(rng() % 4) + 1);
        const std::string now = dir.Read("Quillon.ini");
        ASSERT_TRUE(now == a || now == b) << "kill " << i << " left " << now.size() << " bytes";
        (now == a ? sawA : sawB)++;
    }
    // Both versions were caught, so the kills did land after different writes.
    EXPECT_GT(sawA, 0);
    EXPECT_GT(sawB, 0);
}

// A full disk or a kill in the middle of an entry never touches the entries before it, and the
// next entry starts on a line of its own. A full disk drops the entry whole (a torn entry would
// run into the next one written once there is room again); a kill may cut it short.
TEST(CrashSafety, HistoryEntryCutOffByAFullDiskOrAKillLeavesEarlierEntriesAlone) {
    const std::string kError = "No/Bad Response from KX, Step: Next Packet";
    const std::string entry = "/fw/" + std::string(3000, 'x') + ".bin";
    test::TempDir dir;
    test::FakeClock clock;
    UploadHistory history(dir.Dir(), clock);
    for (int i = 0; i < 10; ++i) {
        history.WriteUploadSuccess("/fw/COMM_" + std::to_string(i) + ".bin", FileKind::kComm,
                                   200 + i);
    }
    const std::string before = dir.Read("History.txt");
    for (rlim_t room : {rlim_t{0}, rlim_t{1}, rlim_t{30}, rlim_t{100}}) {
        SCOPED_TRACE(room);
        // A success entry (time stamp, file, time taken, the empty line after it) takes more
        // than the largest room.
        EXPECT_EQ(RunInChild([&] {
                      LimitFileSize(before.size() + room);
                      history.WriteUploadSuccess("/fw/COMM.bin", FileKind::kComm, 61);
                      return 0;
                  }),
                  0);
        EXPECT_EQ(dir.Read("History.txt"), before);
    }
    // A writer appending without end is killed once it has begun: the kill lands anywhere in
    // the appends.
    for (int i = 0; i < kKills / 3; ++i) {
        RunAndKill(
            [&](int) {
                for (;;) {
                    history.WriteUploadFailed(entry, FileKind::kReader, kError);
                }
            },
            1);
    }
    test::TempDir whole;
    UploadHistory(whole.Dir(), clock).WriteUploadFailed(entry, FileKind::kReader, kError);
    const std::string wholeEntry = whole.Read("History.txt");
    // An entry cut short inside its write (by a kill or a power loss) ends without a line break.
    std::ofstream(dir.File("History.txt"), std::ios::app)
        << wholeEntry.substr(0, wholeEntry.find("xxx") + 10);
    // Every line after the earlier entries is a line of a whole entry or the start of one, and
    // the next entry starts on a line of its own.
    history.WriteUploadSuccess("/fw/LAST.bin", FileKind::kComm, 61);
    test::TempDir fresh;
    UploadHistory(fresh.Dir(), clock).WriteUploadSuccess("/fw/LAST.bin", FileKind::kComm, 61);
    const std::string after = dir.Read("History.txt");
    ASSERT_EQ(after.substr(0, before.size()), before);
    const std::string last = fresh.Read("History.txt");
    ASSERT_EQ(after.substr(after.size() - last.size()), last);
    ASSERT_EQ(after[after.size() - last.size() - 1], '\n') << "the next entry runs into a cut one";
    std::istringstream lines(
        after.substr(before.size(), after.size() - before.size() - last.size()));
    for (std::string line; std::getline(lines, line);) {
        ASSERT_NE(wholeEntry.find(line), std::string::npos) << "a line no entry has: " << line;
    }
}

// ---------------------------------------------------------------------------------------------
// Uploads whose application folder cannot take the logs and the history.

// A whole COMM upload against the simulated unit: 0 when it completed and the unit holds the
// board byte-exact.
int UploadOneComm(const std::string& appDir, const std::string& commPath,
                  const std::string& content) {
    ProgramState state;
    state.appDir = appDir;
    test::RecordingSink sink;
    UploadJob job;
    job.events = &sink;
    std::string error;
    job.commImage = ReadFirmwareImage(commPath, &error);
    test::FakeClock clock;
    PosixSerialBackend serial;
    sim::HbdUnit unit;
    sim::UnitRunner runner(unit, test::OpenPty());
    runner.Start();
    job.portDevice = runner.DevicePath();
    WorkerContext context{serial, clock, state};
    RunHbdUploadWorker(job, context);
    runner.StopOnceDrained(10000);  // the unit reads the end of transfer after the port closed
    const auto boards = unit.Boards();
    const bool delivered =
        boards.size() == 1 && boards[0].image == test::ExpectedImage(content, FileKind::kComm);
    return job.outcome == RunOutcome::kCompleted && delivered ? 0 : 1;
}

// An application folder that cannot take the logs and the history, or a disk that fills up
// during the run, never stops an upload; what the history took are whole entries.
TEST(CrashSafety, UploadRunsWhenTheAppFolderCannotBeWrittenOrTheDiskFillsUp) {
    test::TempDir files;
    const std::string content = test::PatternBytes(kBoardHeaderBytes + 3 * 1024 + 17, 11);
    const std::string comm = files.Write("COMM.bin", content);
    // A folder below a regular file cannot exist, whoever runs the test (root included).
    const std::string blocked = files.Write("not-a-folder", "x") + "/app/";
    EXPECT_EQ(UploadOneComm(blocked, comm, content), 0);

    test::TempDir app;
    std::filesystem::create_directories(app.File("Logs"));
    // The message log and the history may take 150 bytes each, far less than a run writes (the
    // begin entry fits, the success entry no longer does): every later write fails.
    EXPECT_EQ(RunInChild([&] {
                  LimitFileSize(150);
                  return UploadOneComm(app.Dir(), comm, content);
              }),
              0);
    const std::string history = app.Read("History.txt");
    EXPECT_NE(history.find("Begin Upload COMM File"), std::string::npos);
    EXPECT_EQ(history.find("Successful"), std::string::npos);
    EXPECT_EQ(history.back(), '\n');
}

}  // namespace
}  // namespace quillon
