// Runs a program as a child process for end-to-end tests: arguments as a vector (no shell),
// stdin from a pipe the test can write to, stdout and stderr collected, a deadline after which
// the child is killed (so a hang fails the test instead of blocking it).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace quillon::test {

struct ProcessResult {
    int exitCode = -1;  // -1: killed at the deadline
    std::string out;
    std::string err;
};

class Process {
  public:
    explicit Process(std::vector<std::string> argv, std::vector<std::string> env = {}) {
        int in[2], out[2], err[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<char*> args;
        for (std::string& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        std::vector<std::string> environment;
        for (char** e = environ; *e != nullptr; ++e)
            environment.emplace_back(*e);
        environment.insert(environment.end(), env.begin(), env.end());
        std::vector<char*> envp;
        for (std::string& e : environment)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        close(err[1]);
        stdin_ = in[1];
        stdout_ = out[0];
        stderr_ = err[0];
        fcntl(stdout_, F_SETFL, O_NONBLOCK);
        fcntl(stderr_, F_SETFL, O_NONBLOCK);
    }
    ~Process() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        CloseStdin();
        close(stdout_);
        close(stderr_);
    }

    void Write(const std::string& bytes) { (void)!write(stdin_, bytes.data(), bytes.size()); }
    void CloseStdin() {
        if (stdin_ >= 0) {
            close(stdin_);
            stdin_ = -1;
        }
    }
    // The reader goes away, as `| head` does: the child's next write to stdout fails.
    void CloseStdout() {
        close(stdout_);
        stdout_ = -1;
    }
    void Signal(int sig) { kill(pid_, sig); }
    const std::string& Out() const { return result_.out; }
    const std::string& Err() const { return result_.err; }

    // Collects output until `until` holds for stdout+stderr or the deadline passes; true if it
    // held.
    bool WaitFor(const std::function<bool(const std::string&, const std::string&)>& until,
                 std::chrono::milliseconds deadline) {
        auto end = std::chrono::steady_clock::now() + deadline;
        while (std::chrono::steady_clock::now() < end) {
            Drain(50);
            if (until(result_.out, result_.err))
                return true;
            if (Exited()) {
                Drain(0);
                return until(result_.out, result_.err);
            }
        }
        return false;
    }

    // Waits for the end (killing the child at the deadline) and returns what it printed.
    ProcessResult Finish(std::chrono::milliseconds deadline = std::chrono::seconds(60)) {
        auto end = std::chrono::steady_clock::now() + deadline;
        while (!Exited() && std::chrono::steady_clock::now() < end) {
            Drain(50);
        }
        if (!Exited()) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            reaped_ = true;
            result_.exitCode = -1;
        }
        Drain(0);
        return result_;
    }

  private:
    bool Exited() {
        if (reaped_)
            return true;
        int status = 0;
        if (pid_ <= 0 || waitpid(pid_, &status, WNOHANG) == pid_) {
            reaped_ = true;
            result_.exitCode = pid_ <= 0           ? -2
                               : WIFEXITED(status) ? WEXITSTATUS(status)
                                                   : 128 + WTERMSIG(status);
        }
        return reaped_;
    }
    void Drain(int timeoutMs) {
        struct pollfd fds[2] = {{stdout_, POLLIN, 0}, {stderr_, POLLIN, 0}};
        poll(fds, 2, timeoutMs);
        char buffer[4096];
        ssize_t n;
        while ((n = read(stdout_, buffer, sizeof buffer)) > 0)
            result_.out.append(buffer, n);
        while ((n = read(stderr_, buffer, sizeof buffer)) > 0)
            result_.err.append(buffer, n);
    }

    pid_t pid_ = -1;
    bool reaped_ = false;
    int stdin_ = -1, stdout_ = -1, stderr_ = -1;
    ProcessResult result_;
};

}  // namespace quillon::test
