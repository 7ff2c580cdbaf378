// Firmware-shaped sample files made by the program itself: valid COMM, READER and SPEECH images
// (sizes, multiples and markers as the file checks want them) and a .kx image, filled with
// reproducible pseudo-random bytes. For demonstrations, tests and benchmarks; they are not
// firmware for any real unit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

enum class SampleKind { kComm, kReader, kSpeech, kKx2 };

// `size` bytes of sample content for the kind; the seed varies the filler bytes.
std::vector<uint8_t> MakeSampleImage(SampleKind kind, size_t size, uint32_t seed = 1);

// Sizes the `samples` command writes: COMM and READER 128 KiB (96 packets each), SPEECH 300 KiB,
// .kx 64 KiB.
size_t DefaultSampleSize(SampleKind kind);
const char* DefaultSampleName(SampleKind kind);  // "SAMPLE_COMM.bin", ..., "SAMPLE.kx"

// Writes the four samples into dir (created when missing). False with a sentence in *error.
bool WriteSampleFiles(const std::string& dir, std::vector<std::string>* written,
                      std::string* error);
// Writes bytes to path (replacing it). False with a sentence in *error.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

}  // namespace quillon
