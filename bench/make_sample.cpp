// quillon7-bench-sample KIND SIZE PATH: writes a sample image of any size (comm, reader, speech
// or kx) that passes the file checks where its size allows, for the benchmark driver.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "firmware/SampleFirmware.h"

namespace {

constexpr unsigned long long kLargestSample = 64ULL * 1024 * 1024;

bool ParseKind(const std::string& text, quillon::SampleKind* kind) {
    using quillon::SampleKind;
    if (text == "comm") {
        *kind = SampleKind::kComm;
    } else if (text == "reader") {
        *kind = SampleKind::kReader;
    } else if (text == "speech") {
        *kind = SampleKind::kSpeech;
    } else if (text == "kx") {
        *kind = SampleKind::kKx2;
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    quillon::SampleKind kind{};
    char* end = nullptr;
    errno = 0;
    const unsigned long long size = argc == 4 ? std::strtoull(argv[2], &end, 10) : 0;
    if (argc != 4 || !ParseKind(argv[1], &kind) || errno != 0 || *end != '\0' || size == 0 ||
        size > kLargestSample) {
        std::fputs("usage: quillon7-bench-sample comm|reader|speech|kx SIZE PATH\n", stderr);
        return 2;
    }
    std::string error;
    if (!quillon::WriteFileBytes(argv[3], quillon::MakeSampleImage(kind, size), &error)) {
        std::fprintf(stderr, "quillon7-bench-sample: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
