#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>

#include "cli/RawKeyboard.h"

namespace quillon::cli {

// Puts the controlling terminal into raw mode for the life of the object.
class RawKeyboard::Mode {
  public:
    explicit Mode(int fd) : fd_(fd) {
        if (::isatty(fd_) && ::tcgetattr(fd_, &saved_) == 0) {
            struct termios raw = saved_;
            cfmakeraw(&raw);
            raw.c_oflag |= OPOST | ONLCR;  // keep the screen's own line handling
            active_ = ::tcsetattr(fd_, TCSANOW, &raw) == 0;
        }
    }
    ~Mode() {
        if (active_) {
            ::tcsetattr(fd_, TCSANOW, &saved_);
        }
    }

  private:
    int fd_;
    struct termios saved_ {};
    bool active_ = false;
};

RawKeyboard::RawKeyboard() : mode_(std::make_unique<Mode>(STDIN_FILENO)) {}

RawKeyboard::~RawKeyboard() = default;

int RawKeyboard::ReadKey(int timeoutMs) {
    struct pollfd p {
        STDIN_FILENO, POLLIN, 0
    };
    if (::poll(&p, 1, timeoutMs) <= 0) {
        return kNoKey;
    }
    uint8_t key = 0;
    return ::read(STDIN_FILENO, &key, 1) == 1 ? key : kEndOfInput;
}

}  // namespace quillon::cli
