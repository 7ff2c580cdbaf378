// One regular file opened read-only, for reading firmware images block by block. Open refuses
// anything but a regular file without blocking (a FIFO or device with no writer); reads retry
// until the count or the end; any failure comes back as false or a short count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillon {

class ReadOnlyFile {
  public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile() { Close(); }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // Closes any earlier file first; *size (when given) gets the length.
    bool Open(const std::string& path, uint64_t* size);
    bool IsOpen() const;
    // Bytes read; fewer than count only at the end or on a failure (then *failed is set).
    size_t Read(uint8_t* dest, size_t count, bool* failed);
    bool Seek(uint64_t offset);
    uint64_t Length() const;
    void Close();

  private:
    // The descriptor (POSIX) or HANDLE (Windows); kClosed when none.
    static constexpr intptr_t kClosed = -1;
    intptr_t handle_ = kClosed;
};

}  // namespace quillon
