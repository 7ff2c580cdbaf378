#include "sim/PtyPair.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace quillon::sim {

std::optional<PtyPair> PtyPair::Open(std::string* error) {
    struct termios raw {};
    cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    char name[128] = {};
    PtyPair pair;
    if (::openpty(&pair.master_, &pair.slave_, name, &raw, nullptr) != 0) {
        *error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return std::nullopt;
    }
    ::fcntl(pair.master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(pair.slave_, F_SETFD, FD_CLOEXEC);
    pair.devicePath_ = name;
    return pair;
}

PtyPair::PtyPair(PtyPair&& other) noexcept
    : master_(std::exchange(other.master_, -1)),
      slave_(std::exchange(other.slave_, -1)),
      devicePath_(std::move(other.devicePath_)) {}

PtyPair::~PtyPair() {
    CloseMaster();
    CloseDeviceEnd();
}

void PtyPair::CloseDeviceEnd() {
    if (slave_ >= 0) {
        ::close(slave_);
        slave_ = -1;
    }
}

void PtyPair::CloseMaster() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

}  // namespace quillon::sim
