#include "firmware/FileChecks.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

#include "firmware/FirmwareFile.h"
#include "firmware/Kx2Limits.h"
#include "protocol/HbdControlPacket.h"
#include "settings/SettingsKeys.h"
#include "text/AsciiText.h"
#include "text/TextFormat.h"

namespace quillon {

namespace {

constexpr uint64_t kBlockSize = 1024;
constexpr unsigned kKbShift = 10;
constexpr uint64_t kPartialKbMask = 1023;
// The smallest window FileContainsText reads through.
constexpr size_t kMinSearchWindow = 128;

// What a board's file must be; the board's name and the part kept on the host come from the
// board table.
struct KindRule {
    const BoardSpec& board;
    const NumberedError& openError;
    const NumberedError& sizeError;
    const NumberedError* contentError;  // nullptr: no content test
    uint64_t minKb;
    uint64_t maxKb;
    bool wholeKbRequired;
    const char* marker;          // nullptr: no content test
    const char* tamarackMarker;  // nullptr: none
};

// In the order of the board table.
constexpr KindRule kRules[] = {
    {kBoards[0], error::kCommOpen, error::kCommSize, &error::kCommContent, 64, 512, true,
     kCommMarker, kCommTamarackMarker},
    {kBoards[1], error::kReaderOrKx2Open, error::kReaderSize, &error::kReaderContent, 64, 512, true,
     kReaderMarker, kReaderTamarackMarker},
    {kBoards[2], error::kSpeechOpen, error::kSpeechSize, nullptr, 300, 6144, false, nullptr,
     nullptr},
};

constexpr const char* kBinExtension = ".BIN";
constexpr const char* kKxExtension = ".KX";

// 0 when the size passes, else the size-test result code. The whole 64-bit size is tested, so a
// file beyond 4 GB cannot pass as a small one.
int SizeTest(uint64_t size, const KindRule& rule) {
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

// "65535 bytes; a COMM file is 64 to 512 KiB (65536 to 524288 bytes) in whole KiB."
std::string SizeLimitsText(uint64_t size, const KindRule& rule) {
    const uint64_t low = rule.minKb << kKbShift;
    const uint64_t high =
        rule.wholeKbRequired ? rule.maxKb << kKbShift : ((rule.maxKb + 1) << kKbShift) - 1;
    return FormatText("%llu bytes; a %s file is %llu to %llu KiB (%llu to %llu bytes)%s.",
                      static_cast<unsigned long long>(size), rule.board.name,
                      static_cast<unsigned long long>(rule.minKb),
                      static_cast<unsigned long long>(rule.maxKb),
                      static_cast<unsigned long long>(low), static_cast<unsigned long long>(high),
                      rule.wholeKbRequired ? " in whole KiB" : "");
}

void ReportSizeFailure(const std::string& path, uint64_t size, const KindRule& rule, int code,
                       ErrorReporter& errors) {
    errors.Show(
        rule.sizeError, path,
        ErrorText(rule.sizeError, GetFileErrorText(code)) + "\n\n" + SizeLimitsText(size, rule));
}

int32_t CountBlocks(uint64_t length, const KindRule& rule) {
    if (length < rule.board.keptOnHost) {
        return 0;
    }
    uint64_t blocks = (length - rule.board.keptOnHost) / kBlockSize;
    return static_cast<int32_t>(
        std::min<uint64_t>(blocks, static_cast<uint64_t>(std::numeric_limits<int32_t>::max())));
}

const KindRule& RuleFor(FileKind kind) {
    return kRules[BoardIndex(kind)];
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
                packed.push_back(AsciiUpper(static_cast<char>(b)));
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

FirmwareImageRef ReadCheckedFile(const std::string& path, std::optional<FileKind> board,
                                 bool validate, ErrorReporter& errors) {
    std::string reason;
    uint64_t tooLarge = 0;
    FirmwareImageRef image = ReadFirmwareImage(path, &reason, &tooLarge);
    if (image) {
        return image;
    }
    if (board && validate && tooLarge != 0) {
        ReportSizeFailure(path, tooLarge, RuleFor(*board), kSizeTooLarge, errors);
        return nullptr;
    }
    const NumberedError& openError = board ? RuleFor(*board).openError : error::kReaderOrKx2Open;
    if (!reason.empty()) {
        reason[0] = AsciiUpper(reason[0]);
    }
    errors.Show(openError, path, std::string(openError.text) + "\n\n" + reason + ".");
    return nullptr;
}

int32_t CheckBoardImage(const FirmwareImage& image, FileKind kind, bool validate,
                        ErrorReporter& errors) {
    const KindRule& rule = RuleFor(kind);
    if (validate) {
        int code = SizeTest(image.bytes.size(), rule);
        if (code != 0) {
            ReportSizeFailure(image.path, image.bytes.size(), rule, code, errors);
            return kFileRejected;
        }
        if (rule.marker != nullptr && !ImageContainsText(image.bytes, rule.marker)) {
            errors.Show(*rule.contentError, image.path);
            return kFileRejected;
        }
    }
    return CountBlocks(image.bytes.size(), rule);
}

bool CheckBoardImageSendable(const FirmwareImage& image, FileKind kind, ErrorReporter& errors) {
    const KindRule& rule = RuleFor(kind);
    if (image.bytes.size() >= rule.board.keptOnHost) {
        return true;
    }
    errors.Show(rule.sizeError, image.path,
                ErrorText(rule.sizeError, GetFileErrorText(kSizeTooSmall)) + "\n\n" +
                    FormatText("%llu bytes; nothing of it would be sent (a %s file starts with a "
                               "%llu-byte header that stays on this computer).",
                               static_cast<unsigned long long>(image.bytes.size()), rule.board.name,
                               static_cast<unsigned long long>(rule.board.keptOnHost)));
    return false;
}

namespace {

// The pick-time check of a file by path: read once, then the image checks.
int32_t ValidateFile(const std::string& path, bool validate, FileKind kind, ErrorReporter& errors) {
    // The old platform's probe also refused a file that another program had open ("no
    // sharing"); POSIX has no mandatory exclusive open, so that part cannot be had here.
    FirmwareImageRef image = ReadCheckedFile(path, kind, validate, errors);
    return image ? CheckBoardImage(*image, kind, validate, errors) : kFileRejected;
}

}  // namespace

int32_t ValidateCommFile(const std::string& path, bool validate, ErrorReporter& errors) {
    return ValidateFile(path, validate, FileKind::kComm, errors);
}

int32_t ValidateReaderFile(const std::string& path, bool validate, ErrorReporter& errors) {
    return ValidateFile(path, validate, FileKind::kReader, errors);
}

int32_t ValidateSpeechFile(const std::string& path, bool validate, ErrorReporter& errors) {
    return ValidateFile(path, validate, FileKind::kSpeech, errors);
}

namespace {

// The search over whatever `read(dest, count)` delivers; fewer bytes than asked only at the end.
template <typename Read>
bool StreamContainsText(const std::string& text, Read read) {
    if (text.empty()) {
        return false;
    }
    const std::string wanted = AsciiUpper(text);
    const size_t carry = wanted.size();
    SearchWindow window(carry, std::max(2 * carry, kMinSearchWindow));
    for (;;) {
        size_t got = read(window.FreshPart(), window.FreshSize());
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

}  // namespace

bool FileContainsText(const std::string& path, const std::string& text) {
    FirmwareFile file;
    if (text.empty() || !file.SetPath(path) || !file.OpenInputFile()) {
        return false;
    }
    return StreamContainsText(
        text, [&](uint8_t* dest, size_t count) { return file.ReadInto(dest, count); });
}

bool ImageContainsText(std::span<const uint8_t> bytes, const std::string& text) {
    size_t position = 0;
    return StreamContainsText(text, [&](uint8_t* dest, size_t count) {
        const size_t taken = std::min(count, bytes.size() - position);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(position), taken, dest);
        position += taken;
        return taken;
    });
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
    return AsciiUpper(path).find(kx2Mode ? kKxExtension : kBinExtension) != std::string::npos;
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

bool CheckKx2Image(const FirmwareImage& image, int32_t maxPacketSize, int32_t delayMs,
                   ErrorReporter& errors) {
    if (image.bytes.empty()) {
        errors.Show(error::kReaderOrKx2Open, image.path,
                    std::string(error::kReaderOrKx2Open.text) + "\n\nThe file is empty.");
        return false;
    }
    if (auto refusal =
            CheckKx2Limits(image.bytes.size(), image.FileName(), maxPacketSize, delayMs)) {
        errors.Show(error::kKx2Refused, image.path,
                    ErrorText(error::kKx2Refused, refusal->detail.c_str()));
        return false;
    }
    return true;
}

namespace {

const char* TamarackMarker(FileKind kind) {
    return FindBoard(kind) != nullptr ? RuleFor(kind).tamarackMarker : nullptr;
}

}  // namespace

bool SearchTamarackMarker(const std::string& path, FileKind kind) {
    const char* marker = TamarackMarker(kind);
    return marker != nullptr && FileContainsText(path, marker);
}

bool ImageHasTamarackMarker(const FirmwareImage& image, FileKind kind) {
    const char* marker = TamarackMarker(kind);
    return marker != nullptr && ImageContainsText(image.bytes, marker);
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
