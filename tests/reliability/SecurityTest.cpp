// Security checks: no shell anywhere in the sources; file names with blanks, quotes, ';',
// "$()", line breaks and non-ASCII bytes go through an upload, the logs, the history and the
// viewer as one untouched argument; a log delete never leaves the Logs folder; a unit that
// floods bytes cannot make the CLI's memory grow.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "sim/HbdUnit.h"
#include "sim/UnitRunner.h"
#include "tests/cli/ProcessRunner.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPty.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using test::Process;

// Names a technician's files really get, and the ones an attacker would choose.
const std::vector<std::string> kHostileNames = {
    "two words",  "q'uo\"te",  "semi;colon",           "$(touch PWNED)",
    "back`tick`", "new\nline", "caf\xc3\xa9 \xe9\xff", "-dash-first",
    "star*?[x]"};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Security, NoSourceStartsAShell) {
    // Assembled here so that this file does not match itself.
    const std::string call = "(";
    const std::vector<std::string> forbidden = {"system" + call,
                                                "popen" + call,
                                                "/bin/" + std::string("sh"),
                                                "sh -" + std::string("c"),
                                                std::string("WinExec"),
                                                "execl" + call + "\"/bin",
                                                "startDetached" + call + "\"sh"};
    // A Qt process started with a shell as its program is what QProcess would do wrong.
    const std::regex qprocessShell("QProcess[^;]*\\b(sh|bash|cmd)\\b");
    size_t scanned = 0;
    for (const char* folder : {"core", "sim", "cli", "gui", "tools", "scripts"}) {
        const fs::path root = fs::path(QUILLON_SOURCE_DIR) / folder;
        ASSERT_TRUE(fs::is_directory(root)) << root;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) {
                continue;
            }
            ++scanned;
            const std::string text = ReadAll(entry.path().string());
            for (const std::string& word : forbidden) {
                EXPECT_EQ(text.find(word), std::string::npos) << entry.path() << ": " << word;
            }
            EXPECT_FALSE(std::regex_search(text, qprocessShell)) << entry.path();
        }
    }
    EXPECT_GT(scanned, 50u);
}

// The CLI with a plain argument vector; the test's own folder as its working folder.
test::ProcessResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), QUILLON_CLI_PATH);
    return Process(args).Finish(std::chrono::seconds(60));
}

// Starts the CLI with its standard output on outFd and env ahead of the test's environment (the
// first entry of a name is the one a program sees); -1 when it could not be started.
pid_t SpawnCli(std::vector<std::string> args, const std::vector<std::string>& env, int outFd) {
    args.insert(args.begin(), QUILLON_CLI_PATH);
    std::vector<std::string> environment = env;
    for (char** e = environ; *e != nullptr; ++e) {
        environment.emplace_back(*e);
    }
    std::vector<char*> argp;
    std::vector<char*> envp;
    for (std::string& a : args) {
        argp.push_back(a.data());
    }
    for (std::string& e : environment) {
        envp.push_back(e.data());
    }
    argp.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

int ExitCode(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Such names go through an upload, the logs and the history, and reach the viewer as one
// untouched argument.
TEST(Security, HostileFileNamesSurviveUploadLogsHistoryAndViewer) {
    for (const std::string& name : kHostileNames) {
        SCOPED_TRACE(name);
        test::TempDir dir;
        const std::string path = dir.Write(name + ".bin", std::string(3000, '\x5a'));
        const auto r = Cli(
            {"upload", "--simulate", "--app-dir", dir.Dir(), "--no-validate", "--speech", path});
        ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
        const std::string history = dir.Read("History.txt");
        EXPECT_NE(history.find("FileName: " + path + "\n"), std::string::npos) << history;
        EXPECT_NE(history.find("Upload SPEECH File Successful (" + path + ")."), std::string::npos);
        bool logged = false;
        for (const auto& entry : fs::directory_iterator(dir.File("Logs"))) {
            logged = logged || ReadAll(entry.path().string()).find(path) != std::string::npos;
        }
        EXPECT_TRUE(logged);

        const std::string log =
            dir.Write("Logs/Quillon_LogMsg_" + name + ".txt", "12:00:00 line\n");
        const std::string out = dir.File("argv");
        // Its output on a terminal, the CLI starts the pager.
        sim::PtyPair pty = test::OpenPty();
        const int terminal = ::open(pty.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        const pid_t pid = SpawnCli(
            {"logs", "--app-dir", dir.Dir(), "--view", "Quillon_LogMsg_" + name},
            {std::string("PAGER=") + QUILLON_ARGV_RECORDER, "QUILLON_ARGV_OUT=" + out}, terminal);
        ::close(terminal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_EQ(ExitCode(status), 0);
        EXPECT_EQ(ReadAll(out), log + std::string(1, '\0') + "2")
            << "the pager got other arguments";
        EXPECT_FALSE(fs::exists(dir.File("PWNED")));
        EXPECT_FALSE(fs::exists("PWNED"));
    }
}

TEST(Security, LogDeleteNeverLeavesTheLogsFolder) {
    test::TempDir dir;
    fs::create_directories(dir.File("Logs/sub"));
    dir.Write("History.txt", "keep\n");
    dir.Write("Quillon.ini", "[Logs]\n");
    dir.Write("Logs/sub/inner.txt", "keep\n");
    dir.Write("Logs/Quillon_LogMsg_1.txt", "x\n");
    for (const std::string& name :
         std::vector<std::string>{"../History", "../Quillon.ini", "..", ".", "sub/inner",
                                  "/etc/passwd", "../../" + dir.Dir() + "History", ""}) {
        SCOPED_TRACE(name);
        const auto r = Cli({"logs", "--app-dir", dir.Dir(), "--delete", name, "--yes"});
        EXPECT_NE(r.exitCode, 0);
    }
    EXPECT_EQ(dir.Read("History.txt"), "keep\n");
    EXPECT_EQ(dir.Read("Quillon.ini"), "[Logs]\n");
    EXPECT_EQ(dir.Read("Logs/sub/inner.txt"), "keep\n");
    EXPECT_TRUE(fs::exists("/etc/passwd"));
    // A plain name is deleted, and only that file.
    EXPECT_EQ(
        Cli({"logs", "--app-dir", dir.Dir(), "--delete", "Quillon_LogMsg_1", "--yes"}).exitCode, 0);
    EXPECT_FALSE(fs::exists(dir.File("Logs/Quillon_LogMsg_1.txt")));
    EXPECT_TRUE(fs::exists(dir.File("Logs/sub/inner.txt")));
}

// The unit floods bytes for the whole run; the CLI's resident memory is sampled until it ends.
TEST(Security, FloodingUnitCannotGrowTheCliMemory) {
    test::TempDir dir;
    dir.Write("Quillon.ini",
              "[HBD Params]\nRetransmit Control Packets=1\nWait for HBD Response=4\n");
    const std::string comm = dir.Write("COMM.bin", std::string(32768 + 2048, 'c'));
    sim::HbdUnit unit(sim::HbdUnit::kDefaultBlockPackets, {.flood = true});
    sim::UnitRunner runner(unit, test::OpenPty());
    runner.Start();
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t cli = SpawnCli({"upload", "--app-dir", dir.Dir(), "--no-validate", "--port",
                                runner.DevicePath(), "--comm", comm},
                               {}, devNull);
    ::close(devNull);
    ASSERT_GT(cli, 0);
    long peakKb = 0;
    int status = 0;
    while (::waitpid(cli, &status, WNOHANG) == 0) {
        std::ifstream in("/proc/" + std::to_string(cli) + "/status");
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("VmRSS:", 0) == 0) {
                peakKb = std::max(peakKb, std::stol(line.substr(6)));
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(ExitCode(status), 1);  // the upload fails, it does not hang
    EXPECT_GT(peakKb, 0);
    EXPECT_LT(peakKb, 64 * 1024) << "peak resident memory " << peakKb << " KiB";
}

}  // namespace
}  // namespace quillon
