#include "firmware/FirmwareImage.h"

#include <cerrno>
#include <cstring>

#include "platform/FileSystem.h"
#include "platform/ReadOnlyFile.h"

namespace quillon {

namespace {

// Why a path that ReadOnlyFile would not open cannot be read, in a technician's words.
std::string WhyUnopenable(const std::string& path, int openErrno) {
    if (path.empty()) {
        return "no file name given";
    }
    const fs::PathInfo info = fs::Inspect(path);
    if (!info.exists) {
        if (fs::EntryExists(path)) {
            return "a link to a file that does not exist";
        }
        // A name too long, a folder on the way that is not one or may not be entered.
        return openErrno != 0 && openErrno != ENOENT ? std::strerror(openErrno) : "no such file";
    }
    if (info.directory) {
        return "a folder, not a file";
    }
    if (!info.regular) {
        return "not a regular file (a FIFO, device or socket)";
    }
    return openErrno != 0 ? std::strerror(openErrno) : "it cannot be opened";
}

}  // namespace

std::string FirmwareImage::FileName() const {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

FirmwareImageRef ReadFirmwareImage(const std::string& path, std::string* reason,
                                   uint64_t* tooLarge) {
    if (tooLarge != nullptr) {
        *tooLarge = 0;
    }
    ReadOnlyFile file;
    uint64_t size = 0;
    errno = 0;
    if (path.empty() || path.find('\0') != std::string::npos || !file.Open(path, &size)) {
        *reason = WhyUnopenable(path, errno);
        return nullptr;
    }
    if (size > kMaxImageBytes) {
        *reason = "larger than 64 MiB (" + std::to_string(size) + " bytes)";
        if (tooLarge != nullptr) {
            *tooLarge = size;
        }
        return nullptr;
    }
    auto image = std::make_shared<FirmwareImage>();
    image->path = path;
    // One byte more than the size asks for: a file that grew since it was measured is read to
    // its real end (up to the limit), never cut at the old size.
    image->bytes.resize(static_cast<size_t>(size) + 1);
    bool failed = false;
    size_t got = file.Read(image->bytes.data(), image->bytes.size(), &failed);
    if (failed) {
        *reason = std::string("a read failed: ") + std::strerror(errno != 0 ? errno : EIO);
        return nullptr;
    }
    while (got == image->bytes.size() && image->bytes.size() <= kMaxImageBytes) {
        image->bytes.resize(image->bytes.size() * 2);
        got += file.Read(image->bytes.data() + got, image->bytes.size() - got, &failed);
        if (failed) {
            *reason = std::string("a read failed: ") + std::strerror(errno != 0 ? errno : EIO);
            return nullptr;
        }
    }
    if (got > kMaxImageBytes) {
        *reason = "larger than 64 MiB";
        return nullptr;
    }
    image->bytes.resize(got);
    image->bytes.shrink_to_fit();
    return image;
}

FirmwareImageRef MakeFirmwareImage(std::string path, std::vector<uint8_t> bytes) {
    auto image = std::make_shared<FirmwareImage>();
    image->path = std::move(path);
    image->bytes = std::move(bytes);
    return image;
}

}  // namespace quillon
