#include "DeviceRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace quillon::sim {

namespace {
constexpr int kIdleMs = 5;
constexpr int kWriteWaitMs = 10;
}  // namespace

DeviceRunner::~DeviceRunner() {
    Stop();
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool DeviceRunner::Open(const std::string& path, std::string* error) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    struct termios tio {};
    if (::tcgetattr(fd_, &tio) != 0) {
        *error = path + " is not a serial device: " + std::strerror(errno);
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
        *error = "cannot configure " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void DeviceRunner::Start() {
    if (fd_ >= 0 && !thread_.joinable()) {
        stop_ = false;
        thread_ = std::thread([this] { Run(); });
    }
}

void DeviceRunner::Stop() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void DeviceRunner::Send(const std::vector<uint8_t>& bytes, uint32_t delayMs) {
    if (delayMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    }
    // An answer the unit has decided on still goes out while the runner stops (a KX2 unit's
    // final answer follows its image check, and the program may be ending because the image is
    // complete); only a line that will not take the bytes is given up on.
    size_t done = 0;
    while (done < bytes.size() && !hungUp_) {
        ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (stop_) {
                return;
            }
            struct pollfd p {
                fd_, POLLOUT, 0
            };
            ::poll(&p, 1, kWriteWaitMs);
        } else {
            return;
        }
    }
}

void DeviceRunner::Hangup() {
    // A real cable cannot be pulled from here; dropping the modem lines is the nearest thing.
    hungUp_ = true;
    struct termios tio {};
    if (::tcgetattr(fd_, &tio) == 0) {
        cfsetospeed(&tio, B0);
        ::tcsetattr(fd_, TCSANOW, &tio);
    }
}

void DeviceRunner::Run() {
    uint8_t buffer[4096];
    while (!stop_ && !hungUp_) {
        struct pollfd p {
            fd_, POLLIN, 0
        };
        const int ready = ::poll(&p, 1, kIdleMs);
        if (ready > 0 && (p.revents & POLLIN)) {
            ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                unit_.OnReceived(buffer, static_cast<size_t>(n), *this);
                continue;
            }
        }
        if (ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            // The device's other end is gone (a pty whose master closed, an adapter pulled):
            // poll reports it, readable but with nothing to read, at once on every pass, so pace
            // the loop instead of spinning.
            std::this_thread::sleep_for(std::chrono::milliseconds(kIdleMs));
        }
        unit_.OnIdle(*this);
    }
}

}  // namespace quillon::sim
