// FileContainsText on arbitrary file contents and markers. The search reads the file through a
// window that carries its tail into the next read and drops NUL bytes (so 16-bit text matches),
// so it must find a marker exactly when the file's bytes, NULs dropped and letters upper-cased,
// contain it, wherever the window edges fall. Markers with blanks are only held to "never
// missed": the first window starts from blanks, as the original program's did.
#include <algorithm>
#include <cstdint>
#include <string>

#include "firmware/FileChecks.h"
#include "fuzz/FuzzInput.h"

namespace {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool Expected(const std::vector<uint8_t>& file, const std::string& marker) {
    std::string packed;
    for (uint8_t b : file) {
        if (b != 0) {
            packed.push_back(Upper(static_cast<char>(b)));
        }
    }
    std::string wanted;
    std::transform(marker.begin(), marker.end(), std::back_inserter(wanted), Upper);
    return !wanted.empty() && packed.find(wanted) != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quillon::fuzz::FuzzInput in(data, size);
    const uint8_t markerLength = in.Byte() % 80;
    const std::vector<uint8_t> markerBytes = in.Take(markerLength);
    const std::string marker(markerBytes.begin(), markerBytes.end());
    const std::vector<uint8_t> file = in.Rest();
    const std::string path = quillon::fuzz::ScratchDir() + "firmware.bin";
    quillon::fuzz::WriteFile(path, file);

    const bool found = quillon::FileContainsText(path, marker);
    const bool expected = Expected(file, marker);
    if (marker.find(' ') == std::string::npos) {
        QUILLON_FUZZ_CHECK(found == expected);
    } else {
        QUILLON_FUZZ_CHECK(found || !expected);
    }
    return 0;
}
