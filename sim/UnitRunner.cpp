#include "sim/UnitRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <utility>

namespace quillon::sim {

namespace {
constexpr int kIdleMs = 5;  // how often a unit gets OnIdle while the host is quiet
}

UnitRunner::UnitRunner(SimulatedUnit& unit, PtyPair pty) : unit_(unit), pty_(std::move(pty)) {}

UnitRunner::~UnitRunner() {
    Stop();
}

void UnitRunner::Start() {
    if (!thread_.joinable()) {
        // Writes must not block on a full line (a unit that floods a host that stopped
        // reading), or Stop could never end the thread; WriteAll waits with poll instead.
        ::fcntl(pty_.MasterFd(), F_SETFL, ::fcntl(pty_.MasterFd(), F_GETFL) | O_NONBLOCK);
        stop_ = false;
        stopOnceDrained_ = false;
        stopOnHostClose_ = false;
        finished_ = false;
        thread_ = std::thread([this] { Run(); });
    }
}

void UnitRunner::Stop() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void UnitRunner::StopOnceDrained(int limitMs) {
    stopOnceDrained_ = true;
    WaitForEnd(limitMs);
}

bool UnitRunner::StopAfterHostCloses(int limitMs) {
    // While the pair holds the device end itself, the host closing it is no hang-up.
    pty_.CloseDeviceEnd();
    stopOnHostClose_ = true;
    return WaitForEnd(limitMs);
}

bool UnitRunner::WaitForEnd(int limitMs) {
    bool ended = true;
    if (thread_.joinable()) {
        std::unique_lock lock(finishedMutex_);
        ended = finishedChanged_.wait_for(lock, std::chrono::milliseconds(limitMs),
                                          [this] { return finished_; });
    }
    Stop();
    return ended;
}

void UnitRunner::Send(const std::vector<uint8_t>& bytes, uint32_t delayMs) {
    if (delayMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    }
    WriteAll(bytes);
}

void UnitRunner::Hangup() {
    hungUp_ = true;
    pty_.CloseMaster();
}

void UnitRunner::WriteAll(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size() && !hungUp_ && !stop_) {
        ssize_t n = ::write(pty_.MasterFd(), bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            struct pollfd p {
                pty_.MasterFd(), POLLOUT, 0
            };
            ::poll(&p, 1, 10);
        } else {
            return;  // the host side is gone
        }
    }
}

void UnitRunner::Run() {
    RunLoop();
    std::lock_guard lock(finishedMutex_);
    finished_ = true;
    finishedChanged_.notify_all();
}

void UnitRunner::RunLoop() {
    uint8_t buffer[4096];
    while (!stop_ && !hungUp_) {
        struct pollfd p {
            pty_.MasterFd(), POLLIN, 0
        };
        int ready = ::poll(&p, 1, kIdleMs);
        if (ready > 0 && (p.revents & POLLIN)) {
            ssize_t n = ::read(pty_.MasterFd(), buffer, sizeof buffer);
            if (n > 0) {
                received_ += static_cast<uint64_t>(n);
                unit_.OnReceived(buffer, static_cast<size_t>(n), *this);
                continue;
            }
        }
        // A poll that finds nothing to read has first moved every byte the host wrote before it
        // into this side's queue, so nothing written earlier is still on its way.
        if (stopOnceDrained_ && ready >= 0 && !(p.revents & POLLIN)) {
            break;
        }
        if (ready > 0 && (p.revents & (POLLHUP | POLLERR)) && !(p.revents & POLLIN)) {
            if (stopOnHostClose_) {
                break;  // the host has closed the line and taken everything
            }
            // Nobody has the device end open at the moment; wait for the host to come.
            std::this_thread::sleep_for(std::chrono::milliseconds(kIdleMs));
        }
        unit_.OnIdle(*this);
    }
}

}  // namespace quillon::sim
