// A firmware file read whole, once, before the port opens: the file checks look at these bytes
// and the uploaders send exactly them, so whatever happens to the file on disk during a run (cut
// short, overwritten, deleted) changes nothing. Reading fails with the system's reason in words;
// it never throws and never blocks on a FIFO or device.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillon {

struct FirmwareImage {
    std::string path;  // as it was given: logs and history name the file by it
    std::vector<uint8_t> bytes;

    // The file's name and extension, without its folder.
    std::string FileName() const;
};

// Images are shared read-only between the checks, the job and its copies.
using FirmwareImageRef = std::shared_ptr<const FirmwareImage>;

// No board image comes near this (SPEECH files end at 6 MiB, a KX2 image at 5000 packets of at
// most 4086 bytes); a larger file is refused instead of being read into memory.
inline constexpr uint64_t kMaxImageBytes = 64ull * 1024 * 1024;

// The whole file at path, or nullptr with *reason saying why ("no such file", "a folder, not a
// file", "larger than 64 MiB (N bytes)", "Permission denied", ...). *tooLarge (when given) gets
// the file's size when that was the reason, else 0.
FirmwareImageRef ReadFirmwareImage(const std::string& path, std::string* reason,
                                   uint64_t* tooLarge = nullptr);

// An image made in memory (samples, tests, a simulated run).
FirmwareImageRef MakeFirmwareImage(std::string path, std::vector<uint8_t> bytes);

}  // namespace quillon
