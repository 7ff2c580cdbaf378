// Security checks: no shell anywhere in the sources; file names with blanks, quotes, ';',
// "$()", line breaks and non-ASCII bytes go through an upload, the logs, the history and the
// viewer as one untouched argument; a log delete never leaves the Logs folder; over-long
// fixed-size values are refused; a unit that floods bytes cannot make the CLI's memory grow.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "sim/PtyPair.h"
#include "tests/cli/ProcessRunner.h"
#include "tests/reliability/ProcessCounters.h"
#include "tests/support/TempDir.h"

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
    const std::vector<std::string> forbidden = {std::string("system") + call,
                                                std::string("popen") + call,
                                                "/bin/" + std::string("sh"),
                                                std::string("sh -") + "c",
                                                std::string("WinExec"),
                                                std::string("execl") + call + "\"/bin",
                                                std::string("startDetached") + call + "\"sh"};
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
test::ProcessResult Cli(std::vector<std::string> args, std::vector<std::string> env = {}) {
    args.insert(args.begin(), QUILLON_CLI_PATH);
    Process p(args, env);
    return p.Finish(std::chrono::seconds(60));
}

TEST(Security, HostileFileNamesSurviveUploadLogsAndHistory) {
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
        EXPECT_FALSE(fs::exists(dir.File("PWNED")));
        EXPECT_FALSE(fs::exists("PWNED"));
    }
}

// Starts the CLI with its standard output on outFd and env added to (or, for PAGER, replacing)
// the test's environment; -1 when it could not be started.
pid_t SpawnCli(const std::vector<std::string>& args, const std::vector<std::string>& env,
               int outFd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    std::vector<std::string> argv = args;
    argv.insert(argv.begin(), QUILLON_CLI_PATH);
    std::vector<char*> argp;
    for (std::string& a : argv) {
        argp.push_back(a.data());
    }
    argp.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "PAGER=", 6) != 0) {
            environment.emplace_back(*e);
        }
    }
    environment.insert(environment.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& e : environment) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

int ExitCode(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs the CLI with its output on a terminal (so that it starts the pager), waiting for it.
int CliOnATerminal(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    sim::PtyPair pty;
    const int terminal = ::open(pty.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) {
        return -1;
    }
    const pid_t pid = SpawnCli(args, env, terminal);
    ::close(terminal);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    return ExitCode(status);
}

TEST(Security, ViewerGetsTheLogFileAsOneUntouchedArgument) {
    for (const std::string& name : kHostileNames) {
        SCOPED_TRACE(name);
        test::TempDir dir;
        fs::create_directories(dir.File("Logs"));
        const std::string log =
            dir.Write("Logs/Quillon_LogMsg_" + name + ".txt", "12:00:00 line\n");
        const std::string out = dir.File("argv");
        const int code = CliOnATerminal(
            {"logs", "--app-dir", dir.Dir(), "--view", "Quillon_LogMsg_" + name},
            {std::string("PAGER=") + QUILLON_ARGV_RECORDER, "QUILLON_ARGV_OUT=" + out});
        EXPECT_EQ(code, 0);
        const std::string recorded = ReadAll(out);
        EXPECT_EQ(recorded, log + std::string(1, '\0') + "2") << "the pager got other arguments";
        EXPECT_FALSE(fs::exists(dir.File("PWNED")));
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

TEST(Security, OverLongFixedSizeValuesAreRefusedWithAMessage) {
    test::TempDir dir;
    // Paths were 260-character fields; the KX2 unit's name field holds 49 characters.
    const std::string deep = dir.Dir() + std::string(250, 'd');
    fs::create_directories(deep);
    const std::string longPath =
        dir.Write(std::string(250, 'd') + "/COMM.bin", std::string(70000, 'c'));
    auto r = Cli({"upload", "--simulate", "--app-dir", dir.Dir(), "--comm", longPath});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_FALSE(r.err.empty());
    const std::string longName = dir.Write(std::string(48, 'n') + ".kx", std::string(3000, 'k'));
    r = Cli({"upload", "--simulate", "--app-dir", dir.Dir(), "--kx", longName});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(dir.Read("History.txt").find("File name longer than 49 characters"),
              std::string::npos)
        << dir.Read("History.txt");
}

// The unit floods bytes for the whole run; the CLI's resident memory is sampled until it ends.
TEST(Security, FloodingUnitCannotGrowTheCliMemory) {
    test::TempDir dir;
    dir.Write("Quillon.ini",
              "[HBD Params]\nRetransmit Control Packets=1\nWait for HBD Response=4\n");
    const std::string comm = dir.Write("COMM.bin", std::string(32768 + 2048, 'c'));
    Process unit({QUILLON_SIM_PATH, "hbd", "--flood"});
    std::string device;
    ASSERT_TRUE(unit.WaitFor(
        [&](const std::string& out, const std::string&) {
            const size_t at = out.find("ready on ");
            const size_t end = out.find('\n', at);
            if (at == std::string::npos || end == std::string::npos) {
                return false;
            }
            device = out.substr(at + 9, end - at - 9);
            return true;
        },
        std::chrono::seconds(10)));
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const pid_t cli = SpawnCli(
        {"upload", "--app-dir", dir.Dir(), "--no-validate", "--port", device, "--comm", comm}, {},
        devNull);
    ::close(devNull);
    ASSERT_GT(cli, 0);
    long peakKb = 0;
    int status = 0;
    const std::string proc = "/proc/" + std::to_string(cli) + "/status";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (::waitpid(cli, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(cli, SIGKILL);
            ::waitpid(cli, &status, 0);
            FAIL() << "the CLI did not end against a flooding unit";
        }
        std::ifstream in(proc);
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
    RecordProperty("cli_peak_rss_kib", std::to_string(peakKb));
    std::printf("CLI peak resident memory against a flooding unit: %ld KiB\n", peakKb);
}

}  // namespace
}  // namespace quillon
