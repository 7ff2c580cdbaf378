#include "firmware/FirmwareFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace quillon {

namespace {

// O_NONBLOCK keeps the open of a FIFO with no writer from hanging; it is cleared again once we
// know the descriptor is a regular file. O_NOCTTY keeps a terminal device from becoming ours.
constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

void CloseFd(int fd) {
    // Retrying close on EINTR could close a descriptor another thread just got.
    ::close(fd);
}

}  // namespace

int FirmwareFile::OpenRegularFile(const std::string& path, uint64_t* size) {
    if (path.empty() || path.size() >= kPathField || path.find('\0') != std::string::npos) {
        return -1;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), kOpenFlags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        CloseFd(fd);
        return -1;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        CloseFd(fd);
        return -1;
    }
    if (size != nullptr) {
        *size = static_cast<uint64_t>(st.st_size);
    }
    return fd;
}

bool FirmwareFile::Probe(const std::string& path, uint64_t* size) {
    int fd = OpenRegularFile(path, size);
    if (fd < 0) {
        return false;
    }
    CloseFd(fd);
    return true;
}

FirmwareFile::~FirmwareFile() {
    Close();
}

bool FirmwareFile::SetPath(const std::string& path) {
    if (path.size() >= kPathField || path.find('\0') != std::string::npos) {
        path_.clear();
        return false;
    }
    path_ = path;
    return true;
}

bool FirmwareFile::OpenInputFile() {
    // Reopening must not leak the descriptor of an earlier open.
    Close();
    readFailed_ = false;
    fd_ = OpenRegularFile(path_, nullptr);
    open_ = fd_ >= 0;
    return open_;
}

size_t FirmwareFile::ReadInto(uint8_t* dest, size_t count) {
    if (fd_ < 0 || dest == nullptr) {
        return 0;
    }
    // A short count must mean the end of the file, so keep reading until count or the end.
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd_, dest + done, count - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            readFailed_ = true;
            break;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

size_t FirmwareFile::Read(size_t count) {
    return ReadInto(blockBuffer.data(), std::min(count, kBufferSize));
}

bool FirmwareFile::Seek(uint64_t offset) {
    if (fd_ < 0 || offset > static_cast<uint64_t>(INT64_MAX)) {
        return false;
    }
    return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

uint64_t FirmwareFile::Length() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || st.st_size < 0) {
        return 0;
    }
    return static_cast<uint64_t>(st.st_size);
}

void FirmwareFile::Close() {
    if (fd_ >= 0) {
        CloseFd(fd_);
        fd_ = -1;
    }
    open_ = false;
}

}  // namespace quillon
