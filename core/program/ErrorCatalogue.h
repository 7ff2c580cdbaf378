// Every numbered error the program shows, with its text, in one table: the file checks, the
// start checks, the port open, the history and the log browser all take their number and text
// from here, and no number names two different errors. A text with printf conversions is
// completed by the caller with the values named beside it.
#pragma once

#include <array>
#include <string>

namespace quillon {

struct NumberedError {
    int number;
    const char* text;
};

namespace error {

// The file cannot be opened. The READER place and a KX2 unit's single .kx file share one
// number: both are "the second file" of the picker.
inline constexpr NumberedError kCommOpen{100, "Failed to open file!"};
inline constexpr NumberedError kReaderOrKx2Open{101, "Failed to open file!"};
inline constexpr NumberedError kSpeechOpen{102, "Failed to open file!"};
inline constexpr NumberedError kHistoryMissing{
    103, "Failed to locate the \"History\" file.\n\nPossibly no previous uploads!"};
// %s: why the size failed ("is too small." ...).
inline constexpr NumberedError kCommSize{105, "File size test failed.\n\nCOMM %s"};
inline constexpr NumberedError kReaderSize{106, "File size test failed.\n\nREADER %s"};
inline constexpr NumberedError kSpeechSize{107, "File size test failed.\n\nSPEECH %s"};
// %s: which limit of the unit the .kx file breaks, with the numbers.
inline constexpr NumberedError kKx2Refused{108, "The KX2 unit cannot take this file.\n\n%s"};
inline constexpr NumberedError kCommContent{120, "The file is not a valid \"COMM\" file!"};
inline constexpr NumberedError kReaderContent{121, "The file is not a valid \"READER\" file!"};
inline constexpr NumberedError kNothingSelected{200, "\n\nNo file has been selected to upload!"};
// %s: the port's device, %d: the baud rate. The simulated unit that cannot be started is this
// error too: its port cannot be opened.
inline constexpr NumberedError kPortFailed{
    201, "Failed to open serial port!\n\nPort: %s\nBaud Rate: %d"};
inline constexpr NumberedError kNoLogSelected{
    202, "No file has been selected!\n\nClick a row to select a log file"};
// %s: the log file's name.
inline constexpr NumberedError kLogDeleteFailed{203, "Failed to delete the log file.\n\n%s"};
// %s: "Program" or "KX2", %s: ".bin" or ".kx".
inline constexpr NumberedError kWrongExtension{
    210, "\n\nIncorrect file type selected\n%s files have a \"%s\" file extension."};

inline constexpr std::array kAll{
    kCommOpen,        kReaderOrKx2Open, kSpeechOpen,    kHistoryMissing,  kCommSize,
    kReaderSize,      kSpeechSize,      kKx2Refused,    kCommContent,     kReaderContent,
    kNothingSelected, kPortFailed,      kNoLogSelected, kLogDeleteFailed, kWrongExtension};

}  // namespace error

// The error's text with its printf conversions filled in.
std::string ErrorText(NumberedError error, ...);

}  // namespace quillon
