// The checks made before an upload may start, shared by the desktop's Start button and the
// command line: something selected (error 200), the selected files checked again when the
// validate flag is set, and the serial port test-opened (error 201). Each refusal is reported
// once through the ErrorReporter and returns false.
#pragma once

#include <optional>
#include <string>

#include "platform/ErrorReporter.h"
#include "serial/SerialBackend.h"

namespace quillon {

struct FileSelection {
    std::optional<std::string> comm;  // the .kx file in KX2 mode
    std::optional<std::string> reader;
    std::optional<std::string> speech;
    bool Empty() const { return !comm && !reader && !speech; }
};

// Steps 1 and 2 of Start: the selection check and, with validate, the files in the order
// SPEECH, READER, COMM (KX2 mode: the .kx check).
bool CheckStartSelection(const FileSelection& files, bool kx2Mode, bool validate,
                         ErrorReporter& errors);

// Opens and closes the port through the library; on failure error 201 with the port and baud
// rate, followed by what the library says to do about it.
bool CheckSerialPort(SerialBackend& library, int portNumber, const std::string& deviceName,
                     int baudRate, ErrorReporter& errors);

}  // namespace quillon
