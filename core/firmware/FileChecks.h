// The acceptance rules for firmware files: COMM, READER and SPEECH .bin files (probe, size,
// content marker, block count), the .kx file check, the extension rule and the Tamarack Line
// marker. Every rejection is reported once through an ErrorReporter and returns -1 / false.
#pragma once

#include <cstdint>
#include <string>

#include "firmware/FileKind.h"
#include "platform/ErrorReporter.h"
#include "settings/IniFile.h"

namespace quillon {

// The rejection value of the Validate functions; callers test for exactly this.
inline constexpr int32_t kFileRejected = -1;

// Size-test result codes, whose texts GetFileErrorText gives.
inline constexpr int kSizeOpenFailed = 110;
inline constexpr int kSizeTooSmall = 111;
inline constexpr int kSizeTooLarge = 112;
inline constexpr int kSizeNotMultiple = 113;

// Block count of a COMM, READER or SPEECH file, or kFileRejected after one report.
// validate off: only the probe (the file must exist as a readable regular file) is made.
// 0: the file passed but would not open for reading (nothing is reported).
// A COMM or READER file shorter than its 32 KB header (possible only with validate off) counts
// 0 blocks; a count that does not fit 31 bits (a multi-terabyte file, again only with validate
// off) is held at INT32_MAX so that it can never read as the rejection value.
// A path of 260 characters or more cannot be held and is reported as a file that will not open.
int32_t ValidateCommFile(const std::string& path, bool validate, ErrorReporter& errors);
int32_t ValidateReaderFile(const std::string& path, bool validate, ErrorReporter& errors);
int32_t ValidateSpeechFile(const std::string& path, bool validate, ErrorReporter& errors);

// Whether text occurs in the file, letter case ignored (ASCII) and every NUL byte of the file
// dropped, so that 8-bit and 16-bit little-endian text both match. False for an empty text or
// a file that does not open.
bool FileContainsText(const std::string& path, const std::string& text);

// "Failed to open file", "File is too small", ... for a size-test code; "Unknown Error!" else.
const char* GetFileErrorText(int code);

// The extension rule of a file pick: ".BIN" (HBD mode) or ".KX" (KX2 mode) anywhere in the
// upper-cased path. The second form reports error 210 when the rule fails.
bool HasProgramFileExtension(const std::string& path, bool kx2Mode);
bool CheckProgramFileExtension(const std::string& path, bool kx2Mode, ErrorReporter& errors);

// The .kx file check at Start: the file must open and not be empty; else error 101.
bool CheckKx2File(const std::string& path, ErrorReporter& errors);

// The Tamarack Line marker of a picked COMM ("Tamarack Line Railroad") or READER
// ("#2101/01/01") file; false for any other kind.
bool SearchTamarackMarker(const std::string& path, int kind);
// Stores found in "Tamarack Line" (section MISC) when it differs from the setting there.
// True when the setting differed, so the caller updates its flag and redraws; a failed write
// still returns true (the program's flag follows the file just picked).
bool UpdateTamarackSetting(bool found, IniFile& ini);

}  // namespace quillon
