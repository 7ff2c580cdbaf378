#include "serial/PosixSerialBackend.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

namespace quillon {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kOpenFlags = O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;

// A write may take its time on the wire plus this much before it is given up.
constexpr int kWriteSlackMs = 2000;
constexpr int kBitsPerByteOnWire = 10;  // start bit, 8 data bits, stop bit
constexpr int64_t kMsPerSecond = 1000;
// Rate assumed for the write deadline while the device runs at a rate not in the table.
constexpr int kSlowestKnownBitsPerSecond = 1200;

struct TermiosSpeed {
    int bitsPerSecond;
    speed_t speed;
};

// The termios speed of each rate a baud code stands for.
constexpr std::array<TermiosSpeed, 8> kSpeeds{{
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
}};

int BitsPerSecondOf(int fd) {
    struct termios tio {};
    if (::tcgetattr(fd, &tio) != 0) {
        return kSlowestKnownBitsPerSecond;
    }
    speed_t speed = ::cfgetospeed(&tio);
    auto it = std::find_if(kSpeeds.begin(), kSpeeds.end(),
                           [speed](const TermiosSpeed& e) { return e.speed == speed; });
    return it == kSpeeds.end() ? kSlowestKnownBitsPerSecond : it->bitsPerSecond;
}

// Texts for the technician: each says what to do about it.
std::string InUseText(const std::string& path) {
    return path +
           " is in use by another program (a terminal program, ModemManager or another "
           "Quillon7); close it and try again.";
}

std::string OpenFailureText(int error, const std::string& path) {
    switch (error) {
        case EACCES:
        case EPERM:
            return "Permission denied on " + path +
                   ": add your user to the 'dialout' group (sudo usermod -aG dialout $USER) and "
                   "log in again.";
        case EBUSY:
            return InUseText(path);
        case ENOENT:
        case ENOTDIR:
            return path +
                   " does not exist: check the cable/adapter is plugged in and the port number.";
        case ENXIO:
        case ENODEV:
        case EIO:
            return path +
                   " has no working device behind it: check the cable/adapter is plugged in and "
                   "the port number.";
        case EISDIR:
            return path + " is a folder, not a serial device: choose a serial port.";
        default:
            return "Cannot open " + path + ": " + std::strerror(error) + ".";
    }
}

int OpenFailureCode(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return kSerialAccessDenied;
        case EBUSY:
            return kSerialPortBusy;
        case ENOENT:
        case ENOTDIR:
        case ENXIO:
        case ENODEV:
        case ENAMETOOLONG:
        case EIO:
            return kSerialNoSuchPort;
        case EISDIR:
            return kSerialNotATty;
        default:
            return kSerialIoError;
    }
}

// Raw 8N1 without any flow control; VMIN=1 VTIME=0 with O_NONBLOCK makes an empty queue EAGAIN.
bool ConfigureRaw(int fd) {
    struct termios tio {};
    if (::tcgetattr(fd, &tio) != 0) {
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

void CloseDevice(int fd) {
    ::ioctl(fd, TIOCNXCL);  // the flag outlives our handle on a tty that others keep open
    ::close(fd);            // also releases the flock
}

struct OpenResult {
    int fdOrCode;
    std::string errorText;
};

OpenResult OpenSerialDevice(const std::string& path) {
    int fd = ::open(path.c_str(), kOpenFlags);
    if (fd < 0) {
        int error = errno;
        return {OpenFailureCode(error), OpenFailureText(error, path)};
    }
    auto fail = [fd](int code, std::string text) {
        ::close(fd);
        return OpenResult{code, std::move(text)};
    };
    if (!::isatty(fd)) {
        return fail(kSerialNotATty, path +
                                        " is not a serial device: choose a serial port such "
                                        "as /dev/ttyUSB0 or /dev/ttyS0.");
    }
    // The lock is what keeps two programs of ours apart; TIOCEXCL also keeps out programs that
    // do not lock (it does not stop root).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        return error == EWOULDBLOCK ? fail(kSerialPortBusy, InUseText(path))
                                    : fail(kSerialIoError, OpenFailureText(error, path));
    }
    if (::ioctl(fd, TIOCEXCL) != 0 && errno == EBUSY) {
        return fail(kSerialPortBusy, InUseText(path));
    }
    if (!ConfigureRaw(fd)) {
        CloseDevice(fd);
        return {kSerialIoError, "Cannot configure " + path + ": " + std::strerror(errno) + "."};
    }
    ::tcflush(fd, TCIOFLUSH);  // bytes from before we owned the line are not ours
    return {fd, {}};
}

enum class PollOutcome { kReady, kTimedOut, kHungUp, kFailed };

constexpr short kHangUpEvents = POLLHUP | POLLERR | POLLNVAL;

bool HasQueuedInput(int fd) {
    int queued = 0;
    return ::ioctl(fd, FIONREAD, &queued) == 0 && queued > 0;
}

// Waits for `events` on fd until the deadline; interrupted polls are resumed.
PollOutcome WaitForEvent(int fd, short events, SteadyClock::time_point deadline) {
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
        int timeout = static_cast<int>(std::clamp<int64_t>(left.count(), 0, INT_MAX));
        struct pollfd entry {};
        entry.fd = fd;
        entry.events = events;
        int ready = ::poll(&entry, 1, timeout);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return PollOutcome::kFailed;
        }
        if (ready == 0) {
            if (SteadyClock::now() >= deadline) {
                return PollOutcome::kTimedOut;
            }
            continue;
        }
        if (entry.revents & kHangUpEvents) {
            // Bytes that arrived before a hang-up are still worth reading; a hung-up tty also
            // reports itself readable, so only queued bytes count.
            bool unreadInput = (events & POLLIN) != 0 && HasQueuedInput(fd);
            return unreadInput ? PollOutcome::kReady : PollOutcome::kHungUp;
        }
        return (entry.revents & events) ? PollOutcome::kReady : PollOutcome::kFailed;
    }
}

SteadyClock::time_point WriteDeadline(int count, int bitsPerSecond) {
    int rate = bitsPerSecond > 0 ? bitsPerSecond : kSlowestKnownBitsPerSecond;
    int64_t wireMs = int64_t{count} * kBitsPerByteOnWire * kMsPerSecond / rate;
    return SteadyClock::now() + std::chrono::milliseconds(wireMs + kWriteSlackMs);
}

}  // namespace

PosixSerialBackend::PosixSerialBackend()
    : PortTableBackend(
          {&DefaultDevicePath, [](intptr_t fd) { CloseDevice(static_cast<int>(fd)); }}) {}

std::string PosixSerialBackend::DefaultDevicePath(int port) {
    return "/dev/ttyS" + std::to_string(port);
}

// The queue sizes are the old library's; the kernel keeps its own buffers.
int PosixSerialBackend::OpenDevice(int port, SerialPortSlots::Locked& slot, int /*rxQueue*/,
                                   int /*txQueue*/) {
    OpenResult opened = OpenSerialDevice(slot.DevicePath());
    if (opened.fdOrCode < 0) {
        return slot.Fail(opened.fdOrCode, std::move(opened.errorText));
    }
    slots_.SetBitsPerSecond(port, BitsPerSecondOf(opened.fdOrCode));
    slot.Opened(opened.fdOrCode);
    return 0;
}

bool PosixSerialBackend::ApplyRate(intptr_t handle, int bitsPerSecond) {
    auto entry = std::find_if(kSpeeds.begin(), kSpeeds.end(), [bitsPerSecond](const auto& e) {
        return e.bitsPerSecond == bitsPerSecond;
    });
    const int fd = static_cast<int>(handle);
    struct termios tio {};
    return entry != kSpeeds.end() && ::tcgetattr(fd, &tio) == 0 &&
           ::cfsetispeed(&tio, entry->speed) == 0 && ::cfsetospeed(&tio, entry->speed) == 0 &&
           ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

int PosixSerialBackend::SetModemLine(SerialPortSlots::Locked& open, ModemLine line, bool raise) {
    int bits = line == ModemLine::kDtr ? TIOCM_DTR : TIOCM_RTS;
    if (::ioctl(static_cast<int>(open.Handle()), raise ? TIOCMBIS : TIOCMBIC, &bits) != 0) {
        // Pseudo-terminals and some adapters have no modem lines; that is not a failure.
        if (errno == ENOTTY || errno == EINVAL) {
            return 0;
        }
        return open.Fail(kSerialIoError, "Cannot set the modem lines of " + open.DevicePath() +
                                             ": " + std::strerror(errno) + ".");
    }
    return 0;
}

// The two clears are always made together before a file upload; between them they leave no
// stale byte in either direction. Pending output goes first so that the input flush is the last
// thing before the new exchange begins.
int PosixSerialBackend::ClearTransmitQueue(int port) {
    // What was already written was meant for the unit (the previous file's end of transfer among
    // it): let it reach the line, and drop only what a stuck line still holds after the time it
    // needs. Flushing at once would throw that end of transfer away before the unit saw it (on
    // a pseudo-terminal even from the other side's queue).
    if (DrainOutput(port)) {
        return 0;
    }
    return Flush(port, TCOFLUSH);
}

bool PosixSerialBackend::DrainOutput(int port) {
    const int fd = Fd(port);
    if (fd < 0) {
        return false;
    }
    const int bitsPerSecond = std::max(slots_.BitsPerSecond(port), 300);
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
        return true;
    }
    constexpr int kBitsPerByte = 10;
    constexpr auto kSlack = std::chrono::milliseconds(200);
    const auto deadline = std::chrono::steady_clock::now() + kSlack +
                          std::chrono::milliseconds(static_cast<int64_t>(queued) * kBitsPerByte *
                                                    1000 / bitsPerSecond);
    while (std::chrono::steady_clock::now() < deadline) {
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
            return true;
        }
        ::poll(nullptr, 0, 1);
    }
    return false;
}

int PosixSerialBackend::ClearReceiveQueue(int port) {
    return Flush(port, TCIFLUSH);
}

int PosixSerialBackend::Flush(int port, int queue) {
    int code = 0;
    auto open = slots_.LockOpen(port, &code);
    if (!open) {
        return code;
    }
    const int fd = static_cast<int>(open->Handle());
    return ::tcflush(fd, queue) == 0 ? 0 : kSerialIoError;
}

int PosixSerialBackend::WriteAll(int port, intptr_t handle, const uint8_t* bytes, uint16_t count) {
    const int fd = static_cast<int>(handle);
    auto deadline = WriteDeadline(count, slots_.BitsPerSecond(port));
    int written = 0;
    while (written < count) {
        ssize_t n = ::write(fd, bytes + written, static_cast<size_t>(count - written));
        if (n > 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            return slots_.MarkDead(port);
        }
        PollOutcome outcome = WaitForEvent(fd, POLLOUT, deadline);
        if (outcome == PollOutcome::kHungUp) {
            return slots_.MarkDead(port);
        }
        if (outcome != PollOutcome::kReady) {
            return Stuck(port, written);
        }
    }
    return written;
}

int PosixSerialBackend::ReadSome(int port, intptr_t handle, uint8_t* buffer, int max) {
    const int fd = static_cast<int>(handle);
    for (;;) {
        ssize_t n = ::read(fd, buffer, static_cast<size_t>(max));
        if (n > 0) {
            return static_cast<int>(n);
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return 0;
        }
        // A 0 return on a non-blocking tty, or EIO, means the device went away.
        return slots_.MarkDead(port);
    }
}

bool PosixSerialBackend::WaitForData(int port, uint32_t timeoutMs) {
    int fd = Fd(port);
    if (fd < 0 || slots_.Dead(port)) {
        return false;
    }
    auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    PollOutcome outcome = WaitForEvent(fd, POLLIN, deadline);
    if (outcome == PollOutcome::kHungUp) {
        slots_.MarkDead(port);
    }
    return outcome == PollOutcome::kReady;
}

}  // namespace quillon
