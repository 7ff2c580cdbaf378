#include "platform/ReadOnlyFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace quillon {

namespace {

// O_NONBLOCK keeps the open of a FIFO with no writer from hanging; it is cleared again once we
// know the descriptor is a regular file. O_NOCTTY keeps a terminal device from becoming ours.
constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

}  // namespace

bool ReadOnlyFile::Open(const std::string& path, uint64_t* size) {
    Close();
    int fd;
    do {
        fd = ::open(path.c_str(), kOpenFlags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    int flags = 0;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (flags = ::fcntl(fd, F_GETFL)) < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        // Retrying close on EINTR could close a descriptor another thread just got.
        ::close(fd);
        return false;
    }
    if (size != nullptr) {
        *size = static_cast<uint64_t>(st.st_size);
    }
    handle_ = fd;
    return true;
}

bool ReadOnlyFile::IsOpen() const {
    return handle_ != kClosed;
}

size_t ReadOnlyFile::Read(uint8_t* dest, size_t count, bool* failed) {
    const int fd = static_cast<int>(handle_);
    size_t done = 0;
    while (fd >= 0 && done < count) {
        ssize_t n = ::read(fd, dest + done, count - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            *failed = true;
            break;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

bool ReadOnlyFile::Seek(uint64_t offset) {
    if (!IsOpen() || offset > static_cast<uint64_t>(INT64_MAX)) {
        return false;
    }
    return ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), SEEK_SET) ==
           static_cast<off_t>(offset);
}

uint64_t ReadOnlyFile::Length() const {
    struct stat st {};
    if (!IsOpen() || ::fstat(static_cast<int>(handle_), &st) != 0 || st.st_size < 0) {
        return 0;
    }
    return static_cast<uint64_t>(st.st_size);
}

void ReadOnlyFile::Close() {
    if (IsOpen()) {
        ::close(static_cast<int>(handle_));
        handle_ = kClosed;
    }
}

}  // namespace quillon
