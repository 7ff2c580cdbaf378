// A firmware file opened for reading, block by block: the upload workers send what they read
// into its block buffer, and the file checks use it to probe and measure files. Only regular
// files open (a folder, FIFO or device is refused without blocking). A path that does not fit
// the 260-character field is refused by SetPath, never cut short.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/ReadOnlyFile.h"

namespace quillon {

class FirmwareFile {
  public:
    static constexpr size_t kPathField = 260;  // including the terminating NUL
    static constexpr size_t kBufferSize = 4096;

    FirmwareFile() = default;
    ~FirmwareFile();  // closes the file when it is still open
    FirmwareFile(const FirmwareFile&) = delete;
    FirmwareFile& operator=(const FirmwareFile&) = delete;

    // Stores the path for OpenInputFile; false (path left empty) when it needs 260 or more.
    bool SetPath(const std::string& path);
    const std::string& Path() const { return path_; }

    // Clears the open flag, opens the stored path read-only, returns the new open flag.
    bool OpenInputFile();
    bool IsOpen() const { return open_; }
    // Reads up to count bytes (at most kBufferSize) into the block buffer; 0 at the end or on
    // error. Fewer bytes than asked only at the end of the file.
    size_t Read(size_t count);
    // The same into the caller's memory, for reads larger than the block buffer.
    size_t ReadInto(uint8_t* dest, size_t count);
    // Whether a read since the last open failed (as opposed to reaching the end of the file).
    bool ReadFailed() const { return readFailed_; }
    bool Seek(uint64_t offset);
    uint64_t Length() const;
    void Close();  // clears the open flag too

    // Opens path the way OpenInputFile does and closes it again at once: true for an existing,
    // readable regular file whose path fits the field. *size (when given) gets its length.
    static bool Probe(const std::string& path, uint64_t* size = nullptr);

    uint8_t markerFlag = 0;
    int32_t blockSize = 1024;
    std::array<uint8_t, kBufferSize> blockBuffer{};

  private:
    // Paths the field cannot hold, or with a NUL inside, are refused before any open.
    static bool FitsField(const std::string& path);

    std::string path_;
    ReadOnlyFile file_;
    bool open_ = false;
    bool readFailed_ = false;
};

}  // namespace quillon
