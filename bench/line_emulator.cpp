// quillon7-line-emulator: two raw pseudo-terminals joined by an emulated serial line of N baud,
// so an uploader and a simulated unit (or any two serial programs) see realistic line timing.
// Prints "A=<device> B=<device>", runs until stdin closes or a signal ends it, then prints the
// bytes carried in each direction.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "bench/PacedDirection.h"
#include "sim/PtyPair.h"

namespace {

using quillon::bench::PacedDirection;
using quillon::sim::PtyPair;

constexpr char kUsage[] =
    "Usage: quillon7-line-emulator [--baud N]\n"
    "\n"
    "Creates two pseudo-terminals A and B and relays bytes between them in both directions as\n"
    "a serial line of N bits per second would (8N1: 10 bits per byte); N = 0 (the default)\n"
    "relays at once. Prints \"A=<device> B=<device>\" and runs until stdin closes, SIGINT or\n"
    "SIGTERM; then prints \"bytes A>B=<n> B>A=<n>\".\n";

// While no one holds a device end open its master reports a hang-up on every poll; looking
// again this often keeps the loop from spinning without delaying the next opener noticeably.
constexpr int64_t kHangupRecheckNanos = 2'000'000;
constexpr int64_t kNanosPerSecond = 1'000'000'000;

volatile sig_atomic_t gStop = 0;

void OnStopSignal(int) {
    gStop = 1;
}

int64_t NowNanos() {
    struct timespec ts {};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * kNanosPerSecond + ts.tv_nsec;
}

std::optional<uint32_t> ParseBaud(int argc, char** argv) {
    uint32_t baud = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--baud" && i + 1 < argc) {
            char* end = nullptr;
            errno = 0;
            const unsigned long value = std::strtoul(argv[++i], &end, 10);
            if (errno != 0 || *end != '\0' || value > 4'000'000) {
                return std::nullopt;
            }
            baud = static_cast<uint32_t>(value);
        } else {
            return std::nullopt;
        }
    }
    return baud;
}

// The master side of one pseudo-terminal, polled for what its two directions need.
struct Side {
    int fd;
    PacedDirection& reads;   // bytes coming out of this side's device end
    PacedDirection& writes;  // bytes going into it
    int64_t hungUpUntilNs = 0;
};

short EventsFor(const Side& side, int64_t nowNs) {
    short events = 0;
    if (side.reads.WantsInput() && nowNs >= side.hungUpUntilNs) {
        events |= POLLIN;
    }
    if (side.writes.Blocked()) {
        events |= POLLOUT;
    }
    return events;
}

void HandleEvents(Side& side, short revents, int64_t nowNs) {
    if (revents & POLLIN) {
        side.reads.ReadFrom(nowNs);
    } else if (revents & (POLLHUP | POLLERR)) {
        side.hungUpUntilNs = nowNs + kHangupRecheckNanos;
    }
}

int Run(uint32_t baud) {
    std::string error;
    std::optional<PtyPair> a = PtyPair::Open(&error);
    std::optional<PtyPair> b = a ? PtyPair::Open(&error) : std::nullopt;
    if (!b) {
        std::fprintf(stderr, "quillon7-line-emulator: %s\n", error.c_str());
        return 1;
    }
    for (int fd : {a->MasterFd(), b->MasterFd()}) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    PacedDirection aToB(a->MasterFd(), b->MasterFd(), baud);
    PacedDirection bToA(b->MasterFd(), a->MasterFd(), baud);
    std::array<Side, 2> sides{{{a->MasterFd(), aToB, bToA}, {b->MasterFd(), bToA, aToB}}};
    std::printf("A=%s B=%s\n", a->DevicePath().c_str(), b->DevicePath().c_str());
    std::fflush(stdout);

    sigset_t blocked{};
    sigset_t waitMask{};
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    ::sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);

    bool stdinOpen = true;
    while (!gStop) {
        int64_t now = NowNanos();
        aToB.Deliver(now);
        bToA.Deliver(now);

        std::array<struct pollfd, 3> fds{};
        for (size_t i = 0; i < sides.size(); ++i) {
            fds[i] = {sides[i].fd, EventsFor(sides[i], now), 0};
        }
        fds[2] = {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0};

        int64_t wake = INT64_MAX;
        for (const PacedDirection* d : {&aToB, &bToA}) {
            if (auto next = d->NextWake()) {
                wake = std::min(wake, *next);
            }
        }
        for (const Side& side : sides) {
            if (side.hungUpUntilNs > now) {
                wake = std::min(wake, side.hungUpUntilNs);
            }
        }
        struct timespec timeout {};
        struct timespec* timeoutPtr = nullptr;
        if (wake != INT64_MAX) {
            const int64_t left = std::max<int64_t>(wake - now, 0);
            timeout.tv_sec = left / kNanosPerSecond;
            timeout.tv_nsec = left % kNanosPerSecond;
            timeoutPtr = &timeout;
        }
        const int ready = ::ppoll(fds.data(), fds.size(), timeoutPtr, &waitMask);
        if (ready <= 0) {
            continue;  // time-out, or a signal (the loop condition sees it)
        }
        now = NowNanos();
        for (size_t i = 0; i < sides.size(); ++i) {
            HandleEvents(sides[i], fds[i].revents, now);
        }
        if (fds[2].revents != 0) {
            char discard[256];
            if (::read(STDIN_FILENO, discard, sizeof discard) <= 0) {
                break;
            }
        }
    }
    std::printf("bytes A>B=%llu B>A=%llu\n", static_cast<unsigned long long>(aToB.BytesOut()),
                static_cast<unsigned long long>(bToA.BytesOut()));
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const std::optional<uint32_t> baud = ParseBaud(argc, argv);
    if (!baud) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // Wake-ups land on the nanosecond asked for instead of within the default 50 us slack.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    try {
        return Run(*baud);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillon7-line-emulator: %s\n", e.what());
        return 1;
    }
}
