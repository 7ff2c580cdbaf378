#include "firmware/FirmwareFile.h"

#include <algorithm>

namespace quillon {

bool FirmwareFile::FitsField(const std::string& path) {
    return path.size() < kPathField && path.find('\0') == std::string::npos;
}

bool FirmwareFile::Probe(const std::string& path, uint64_t* size) {
    ReadOnlyFile file;
    return !path.empty() && FitsField(path) && file.Open(path, size);
}

FirmwareFile::~FirmwareFile() {
    Close();
}

bool FirmwareFile::SetPath(const std::string& path) {
    if (!FitsField(path)) {
        path_.clear();
        return false;
    }
    path_ = path;
    return true;
}

bool FirmwareFile::OpenInputFile() {
    // Reopening must not leak the handle of an earlier open.
    Close();
    readFailed_ = false;
    open_ = !path_.empty() && FitsField(path_) && file_.Open(path_, nullptr);
    return open_;
}

size_t FirmwareFile::ReadInto(uint8_t* dest, size_t count) {
    if (dest == nullptr) {
        return 0;
    }
    // A short count must mean the end of the file: ReadOnlyFile reads until count or the end.
    return file_.Read(dest, count, &readFailed_);
}

size_t FirmwareFile::Read(size_t count) {
    return ReadInto(blockBuffer.data(), std::min(count, kBufferSize));
}

bool FirmwareFile::Seek(uint64_t offset) {
    return file_.Seek(offset);
}

uint64_t FirmwareFile::Length() const {
    return file_.Length();
}

void FirmwareFile::Close() {
    file_.Close();
    open_ = false;
}

}  // namespace quillon
