// Every numbered error the program shows, with its text, in one table: the file checks, the
// start checks, the port open, the history and the log browser all take their number and text
// from here, and no number names two different errors. A text with printf conversions is
// completed by the caller with the values named beside it. Each error also says how to resolve it,
// for the error dialog's "How to Resolve".
#pragma once

#include <array>
#include <string>

namespace quillon {

struct NumberedError {
    int number;
    const char* text;
    const char* resolution;  // what the user can do about it, in plain words
};

namespace error {

// Shared by the errors of one kind.
inline constexpr const char* kOpenResolution =
    "Check that the file is still where it was picked from (a removed drive or network folder "
    "takes it away) and that it may be read, then pick it again.";
inline constexpr const char* kSizeResolution =
    "Pick the firmware file made for this board: COMM and READER files are 64 to 512 KB and whole "
    "kilobytes long, SPEECH files 300 to 6144 KB. A file cut short by an interrupted copy fails "
    "too: copy it again.";
inline constexpr const char* kContentResolution =
    "The file lacks the text every firmware of this board carries: it is meant for another board "
    "or is no firmware at all. Pick the file made for this board.";

// The file cannot be opened. The READER place and a KX2 unit's single .kx file share one
// number: both are "the second file" of the picker.
inline constexpr NumberedError kCommOpen{100, "Failed to open file!", kOpenResolution};
inline constexpr NumberedError kReaderOrKx2Open{101, "Failed to open file!", kOpenResolution};
inline constexpr NumberedError kSpeechOpen{102, "Failed to open file!", kOpenResolution};
inline constexpr NumberedError kHistoryMissing{
    103, "Failed to locate the \"History\" file.\n\nPossibly no previous uploads!",
    "The history is written by the first upload, so there is nothing to show before it. "
    "If uploads have been made, check that the application folder can be written."};
// %s: why the size failed ("is too small." ...).
inline constexpr NumberedError kCommSize{105, "File size test failed.\n\nCOMM %s", kSizeResolution};
inline constexpr NumberedError kReaderSize{106, "File size test failed.\n\nREADER %s",
                                           kSizeResolution};
inline constexpr NumberedError kSpeechSize{107, "File size test failed.\n\nSPEECH %s",
                                           kSizeResolution};
// %s: which limit of the unit the .kx file breaks, with the numbers.
inline constexpr NumberedError kKx2Refused{
    108, "The KX2 unit cannot take this file.\n\n%s",
    "Pick the .kx image made for this KX2 unit; the limit it breaks is named above."};
inline constexpr NumberedError kCommContent{120, "The file is not a valid \"COMM\" file!",
                                            kContentResolution};
inline constexpr NumberedError kReaderContent{121, "The file is not a valid \"READER\" file!",
                                              kContentResolution};
inline constexpr NumberedError kNothingSelected{200, "\n\nNo file has been selected to upload!",
                                                "Pick a file for at least one board (click its "
                                                "place in the main window) and press Start again."};
// %s: the port's device, %d: the baud rate. The simulated unit that cannot be started is this
// error too: its port cannot be opened.
inline constexpr NumberedError kPortFailed{
    201, "Failed to open serial port!\n\nPort: %s\nBaud Rate: %d",
    "Check that the cable or USB adapter is plugged in and that no other program (a terminal, a "
    "modem manager) holds the port; then choose the port again with \"Select Serial Port\". On "
    "Linux the user must be in the dialout group."};
inline constexpr NumberedError kNoLogSelected{
    202, "No file has been selected!\n\nClick a row to select a log file",
    "Click a row of the list first, then View or Delete it."};
// %s: the log file's name.
inline constexpr NumberedError kLogDeleteFailed{
    203, "Failed to delete the log file.\n\n%s",
    "The file may be open in another program, or the Logs folder read-only. Close the viewer "
    "and try again, or delete the file from the folder itself."};
// %s: "Program" or "KX2", %s: ".bin" or ".kx".
inline constexpr NumberedError kWrongExtension{
    210, "\n\nIncorrect file type selected\n%s files have a \"%s\" file extension.",
    "Pick the firmware file with the extension named above. For the other kind of unit, switch "
    "\"Load KX2 Files\" in the Runtime Parameters first."};

inline constexpr std::array kAll{
    kCommOpen,        kReaderOrKx2Open, kSpeechOpen,    kHistoryMissing,  kCommSize,
    kReaderSize,      kSpeechSize,      kKx2Refused,    kCommContent,     kReaderContent,
    kNothingSelected, kPortFailed,      kNoLogSelected, kLogDeleteFailed, kWrongExtension};

}  // namespace error

// The error's text with its printf conversions filled in.
std::string ErrorText(NumberedError error, ...);

// The catalogue's entry for a number, or null for a number it does not have.
const NumberedError* FindError(int number);

}  // namespace quillon
