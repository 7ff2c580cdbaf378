#include "firmware/FileChecks.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

#include "firmware/FirmwareFile.h"
#include "protocol/HbdControlPacket.h"
#include "settings/SettingsKeys.h"

namespace quillon {

namespace {

constexpr uint64_t kBlockSize = 1024;
constexpr unsigned kKbShift = 10;
constexpr uint64_t kPartialKbMask = 1023;
// COMM and READER images start with an area that stays on the host.
constexpr uint64_t kBootAreaBytes = hbd::kBoardImageOffset;
// The smallest window FileContainsText reads through.
constexpr size_t kMinSearchWindow = 128;

struct KindRule {
    const char* name;
    const NumberedError& openError;
    const NumberedError& sizeError;
    const NumberedError* contentError;  // nullptr: no content test
    uint64_t minKb;
    uint64_t maxKb;
    bool wholeKbRequired;
    const char* marker;  // nullptr: no content test
    uint64_t skippedBytes;
};

constexpr KindRule kCommRule{
    "COMM", error::kCommOpen,   error::kCommSize, &error::kCommContent, 64, 512,
    true,   "Comm is in Bank0", kBootAreaBytes};
constexpr KindRule kReaderRule{"READER",
                               error::kReaderOrKx2Open,
                               error::kReaderSize,
                               &error::kReaderContent,
                               64,
                               512,
                               true,
                               "EESegFlags != AMD_ALL_BANKS_VALID",
                               kBootAreaBytes};
constexpr KindRule kSpeechRule{
    "SPEECH", error::kSpeechOpen, error::kSpeechSize, nullptr, 300, 6144, false, nullptr, 0};

constexpr const char* kTamarackCommMarker = "Tamarack Line Railroad";
constexpr const char* kTamarackReaderMarker = "#2101/01/01";

constexpr const char* kBinExtension = ".BIN";
constexpr const char* kKxExtension = ".KX";

// Plain ASCII upper-casing: the markers are ASCII, and the result must not depend on a locale.
char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return UpperAscii(c); });
    return text;
}

// 0 when the size passes, else the size-test result code. The whole 64-bit size is tested, so a
// file beyond 4 GB cannot pass as a small one.
int SizeTest(const std::string& path, const KindRule& rule) {
    uint64_t size = 0;
    if (!FirmwareFile::Probe(path, &size)) {
        return kSizeOpenFailed;
    }
    uint64_t kb = size >> kKbShift;
    if (kb < rule.minKb) {
        return kSizeTooSmall;
    }
    if (kb > rule.maxKb) {
        return kSizeTooLarge;
    }
    if (rule.wholeKbRequired && (size & kPartialKbMask) != 0) {
        return kSizeNotMultiple;
    }
    return 0;
}

void ReportSizeFailure(const std::string& path, const KindRule& rule, int code,
                       ErrorReporter& errors) {
    errors.Show(rule.sizeError, path, ErrorText(rule.sizeError, GetFileErrorText(code)));
}

int32_t CountBlocks(const std::string& path, const KindRule& rule) {
    FirmwareFile file;
    if (!file.SetPath(path) || !file.OpenInputFile()) {
        return 0;
    }
    uint64_t length = file.Length();
    file.Close();
    if (length < rule.skippedBytes) {
        return 0;
    }
    uint64_t blocks = (length - rule.skippedBytes) / kBlockSize;
    return static_cast<int32_t>(
        std::min<uint64_t>(blocks, static_cast<uint64_t>(std::numeric_limits<int32_t>::max())));
}

int32_t ValidateFile(const std::string& path, bool validate, const KindRule& rule,
                     ErrorReporter& errors) {
    // The old platform's probe also refused a file that another program had open ("no
    // sharing"); POSIX has no mandatory exclusive open, so that part cannot be had here.
    if (!FirmwareFile::Probe(path)) {
        errors.Show(rule.openError, path);
        return kFileRejected;
    }
    if (validate) {
        int code = SizeTest(path, rule);
        if (code != 0) {
            ReportSizeFailure(path, rule, code, errors);
            return kFileRejected;
        }
        if (rule.marker != nullptr && !FileContainsText(path, rule.marker)) {
            errors.Show(*rule.contentError, path);
            return kFileRejected;
        }
    }
    return CountBlocks(path, rule);
}

// One step of the search: the window's carried head is refilled from the previous window.
class SearchWindow {
  public:
    SearchWindow(size_t carry, size_t size) : carry_(carry), bytes_(size, ' ') {}

    uint8_t* FreshPart() { return bytes_.data() + carry_; }
    size_t FreshSize() const { return bytes_.size() - carry_; }

    bool Contains(const std::string& upperText) const {
        std::string packed;
        packed.reserve(bytes_.size());
        for (uint8_t b : bytes_) {
            if (b != 0) {
                packed.push_back(UpperAscii(static_cast<char>(b)));
            }
        }
        return packed.find(upperText) != std::string::npos;
    }

    // Carries the window's last `carry` bytes that are not NUL into the next one. A marker
    // stored as 16-bit text spans twice its length in the file, so carrying the raw bytes would
    // lose the front of one that straddles two reads. A window of nothing but NUL bytes carries
    // blanks, as the first one starts with.
    void CarryOver() {
        std::vector<uint8_t> tail;
        tail.reserve(carry_);
        for (auto it = bytes_.rbegin(); it != bytes_.rend() && tail.size() < carry_; ++it) {
            if (*it != 0) {
                tail.push_back(*it);
            }
        }
        if (tail.empty()) {
            std::fill(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(carry_), ' ');
            return;
        }
        // Fewer than `carry` bytes: the front stays NUL, which the search drops.
        std::fill(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(carry_), 0);
        std::copy(tail.rbegin(), tail.rend(),
                  bytes_.begin() + static_cast<std::ptrdiff_t>(carry_ - tail.size()));
    }

  private:
    size_t carry_;
    std::vector<uint8_t> bytes_;
};

}  // namespace

int32_t ValidateCommFile(const std::string& path, bool validate, ErrorReporter& errors) {
    return ValidateFile(path, validate, kCommRule, errors);
}

int32_t ValidateReaderFile(const std::string& path, bool validate, ErrorReporter& errors) {
    return ValidateFile(path, validate, kReaderRule, errors);
}

int32_t ValidateSpeechFile(const std::string& path, bool validate, ErrorReporter& errors) {
    return ValidateFile(path, validate, kSpeechRule, errors);
}

bool FileContainsText(const std::string& path, const std::string& text) {
    if (text.empty()) {
        return false;
    }
    FirmwareFile file;
    if (!file.SetPath(path) || !file.OpenInputFile()) {
        return false;
    }
    const std::string wanted = UpperAscii(text);
    const size_t carry = wanted.size();
    SearchWindow window(carry, std::max(2 * carry, kMinSearchWindow));
    for (;;) {
        size_t got = file.ReadInto(window.FreshPart(), window.FreshSize());
        // A short last read leaves stale bytes after the data; clear them so they cannot match.
        std::fill(window.FreshPart() + got, window.FreshPart() + window.FreshSize(), 0);
        if (window.Contains(wanted)) {
            return true;
        }
        if (got < window.FreshSize()) {
            return false;
        }
        window.CarryOver();
    }
}

const char* GetFileErrorText(int code) {
    switch (code) {
        case kSizeOpenFailed:
            return "Failed to open file";
        case kSizeTooSmall:
            return "File is too small";
        case kSizeTooLarge:
            return "File is too large";
        case kSizeNotMultiple:
            return "File is not a multiple of 1024";
        default:
            return "Unknown Error!";
    }
}

bool HasProgramFileExtension(const std::string& path, bool kx2Mode) {
    return UpperAscii(path).find(kx2Mode ? kKxExtension : kBinExtension) != std::string::npos;
}

bool CheckProgramFileExtension(const std::string& path, bool kx2Mode, ErrorReporter& errors) {
    if (HasProgramFileExtension(path, kx2Mode)) {
        return true;
    }
    errors.Show(
        error::kWrongExtension, std::nullopt,
        ErrorText(error::kWrongExtension, kx2Mode ? "KX2" : "Program", kx2Mode ? ".kx" : ".bin"));
    return false;
}

bool CheckKx2File(const std::string& path, ErrorReporter& errors) {
    uint64_t size = 0;
    if (!FirmwareFile::Probe(path, &size) || size == 0) {
        errors.Show(error::kReaderOrKx2Open, path);
        return false;
    }
    return true;
}

bool SearchTamarackMarker(const std::string& path, int kind) {
    switch (kind) {
        case kKindComm:
            return FileContainsText(path, kTamarackCommMarker);
        case kKindReader:
            return FileContainsText(path, kTamarackReaderMarker);
        default:
            return false;
    }
}

bool UpdateTamarackSetting(bool found, IniFile& ini) {
    const int32_t wanted = found ? 1 : 0;
    if (settings::Read(ini, settings::kTamarackLine) == wanted) {
        return false;
    }
    settings::Write(ini, settings::kTamarackLine, wanted);
    return true;
}

}  // namespace quillon
