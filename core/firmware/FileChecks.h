// The acceptance rules for firmware files: COMM, READER and SPEECH .bin files (probe, size,
// content marker, block count), the .kx file check, the extension rule and the Tamarack Line
// marker. Every rejection is reported once through an ErrorReporter and returns -1 / false.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "firmware/FirmwareImage.h"
#include "program/ErrorReporter.h"
#include "protocol/Boards.h"
#include "settings/IniFile.h"

namespace quillon {

// The rejection value of the Validate functions; callers test for exactly this.
inline constexpr int32_t kFileRejected = -1;

// Size-test result codes, whose texts GetFileErrorText gives.
inline constexpr int kSizeOpenFailed = 110;
inline constexpr int kSizeTooSmall = 111;
inline constexpr int kSizeTooLarge = 112;
inline constexpr int kSizeNotMultiple = 113;

// The file read whole for the checks and the upload of a board (nullopt: the .kx file), or
// nullptr after one report: the board's open error ("Failed to open file!") with the reason it
// could not be read, or, with validate, the size error of a board file too large to read at all.
FirmwareImageRef ReadCheckedFile(const std::string& path, std::optional<FileKind> board,
                                 bool validate, ErrorReporter& errors);

// Block count of a COMM, READER or SPEECH image, or kFileRejected after one report.
// validate off: no check at all. A COMM or READER image shorter than its 32 KB header counts 0
// blocks; a count that does not fit 31 bits is held at INT32_MAX so that it can never read as the
// rejection value. The size errors say the actual size and the limits.
int32_t CheckBoardImage(const FirmwareImage& image, FileKind kind, bool validate,
                        ErrorReporter& errors);

// Whether anything of a COMM or READER image would reach the unit (it is longer than the header
// that stays on the host); false after one report. Checked at Start whatever validate says.
bool CheckBoardImageSendable(const FirmwareImage& image, FileKind kind, ErrorReporter& errors);

// The pick checks by path: ReadCheckedFile, then CheckBoardImage.
int32_t ValidateCommFile(const std::string& path, bool validate, ErrorReporter& errors);
int32_t ValidateReaderFile(const std::string& path, bool validate, ErrorReporter& errors);
int32_t ValidateSpeechFile(const std::string& path, bool validate, ErrorReporter& errors);

// Whether text occurs in the file (or image), letter case ignored (ASCII) and every NUL byte
// dropped, so that 8-bit and 16-bit little-endian text both match. False for an empty text or a
// file that does not open.
bool FileContainsText(const std::string& path, const std::string& text);
bool ImageContainsText(std::span<const uint8_t> bytes, const std::string& text);

// "Failed to open file", "File is too small", ... for a size-test code; "Unknown Error!" else.
const char* GetFileErrorText(int code);

// The extension rule of a file pick: ".BIN" (HBD mode) or ".KX" (KX2 mode) anywhere in the
// upper-cased path. The second form reports error 210 when the rule fails.
bool HasProgramFileExtension(const std::string& path, bool kx2Mode);
bool CheckProgramFileExtension(const std::string& path, bool kx2Mode, ErrorReporter& errors);

// The .kx image at Start: not empty (error 101), and within what a KX2 unit takes with these
// settings (error 108 saying which limit); false after one report.
bool CheckKx2Image(const FirmwareImage& image, int32_t maxPacketSize, int32_t delayMs,
                   ErrorReporter& errors);

// The text a COMM or READER image must hold somewhere (with the checks on).
inline constexpr char kCommMarker[] = "Comm is in Bank0";
inline constexpr char kReaderMarker[] = "EESegFlags != AMD_ALL_BANKS_VALID";
// The text that marks a COMM or READER image as Tamarack Line firmware.
inline constexpr char kCommTamarackMarker[] = "Tamarack Line Railroad";
inline constexpr char kReaderTamarackMarker[] = "#2101/01/01";

// Whether a picked COMM or READER file holds its Tamarack Line marker; false for any other kind.
bool SearchTamarackMarker(const std::string& path, FileKind kind);
bool ImageHasTamarackMarker(const FirmwareImage& image, FileKind kind);
// Stores found in "Tamarack Line" (section MISC) when it differs from the setting there.
// True when the setting differed, so the caller updates its flag and redraws; a failed write
// still returns true (the program's flag follows the file just picked).
bool UpdateTamarackSetting(bool found, IniFile& ini);

}  // namespace quillon
