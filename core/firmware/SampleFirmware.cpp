#include "firmware/SampleFirmware.h"

#include <cerrno>
#include <cstring>

#include "firmware/FileChecks.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"

namespace quillon {

namespace {

constexpr size_t kMarkerOffset = 0x200;  // inside the boot area, which is never sent

void Fill(std::vector<uint8_t>& bytes, uint32_t seed) {
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t& b : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        b = static_cast<uint8_t>(state);
    }
}

void Put(std::vector<uint8_t>& bytes, size_t offset, const char* text) {
    size_t n = std::strlen(text);
    if (offset + n <= bytes.size()) {
        std::memcpy(bytes.data() + offset, text, n);
    }
}

}  // namespace

std::vector<uint8_t> MakeSampleImage(SampleKind kind, size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    Fill(bytes, seed + static_cast<uint32_t>(kind));
    if (kind == SampleKind::kComm) {
        Put(bytes, kMarkerOffset, kCommMarker);
    } else if (kind == SampleKind::kReader) {
        Put(bytes, kMarkerOffset, kReaderMarker);
    }
    return bytes;
}

size_t DefaultSampleSize(SampleKind kind) {
    switch (kind) {
        case SampleKind::kComm:
        case SampleKind::kReader:
            return 128 * 1024;
        case SampleKind::kSpeech:
            return 300 * 1024;
        case SampleKind::kKx2:
            return 64 * 1024;
    }
    return 0;
}

const char* DefaultSampleName(SampleKind kind) {
    switch (kind) {
        case SampleKind::kComm:
            return "SAMPLE_COMM.bin";
        case SampleKind::kReader:
            return "SAMPLE_READER.bin";
        case SampleKind::kSpeech:
            return "SAMPLE_SPEECH.bin";
        case SampleKind::kKx2:
            return "SAMPLE.kx";
    }
    return "";
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes,
                    std::string* error) {
    if (!fs::ReplaceFileContent(path, std::string(bytes.begin(), bytes.end()))) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool WriteSampleFiles(const std::string& dir, std::vector<std::string>* written,
                      std::string* error) {
    if (!fs::MakeDirectory(dir) && errno != EEXIST) {
        *error = "cannot create the folder " + dir + ": " + std::strerror(errno);
        return false;
    }
    if (!fs::Inspect(dir).directory) {
        *error = dir + " is not a folder";
        return false;
    }
    for (SampleKind kind :
         {SampleKind::kComm, SampleKind::kReader, SampleKind::kSpeech, SampleKind::kKx2}) {
        std::string path = JoinPath(dir, DefaultSampleName(kind));
        if (!WriteFileBytes(path, MakeSampleImage(kind, DefaultSampleSize(kind)), error)) {
            return false;
        }
        written->push_back(path);
    }
    return true;
}

}  // namespace quillon
