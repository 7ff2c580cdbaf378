#include "upload/StartChecks.h"

#include <cstdio>

#include "firmware/FileChecks.h"
#include "serial/PortName.h"
#include "serial/SerialPort.h"

namespace quillon {

bool CheckStartSelection(const FileSelection& files, bool kx2Mode, bool validate,
                         ErrorReporter& errors) {
    if (files.Empty()) {
        errors.Show(error::kNothingSelected, std::nullopt);
        return false;
    }
    if (!validate) {
        return true;
    }
    if (kx2Mode) {
        return CheckKx2File(files.comm.value_or(""), errors);
    }
    if (files.speech && ValidateSpeechFile(*files.speech, true, errors) == kFileRejected) {
        return false;
    }
    if (files.reader && ValidateReaderFile(*files.reader, true, errors) == kFileRejected) {
        return false;
    }
    if (files.comm && ValidateCommFile(*files.comm, true, errors) == kFileRejected) {
        return false;
    }
    return true;
}

bool CheckSerialPort(SerialBackend& library, int portNumber, const std::string& deviceName,
                     int baudRate, ErrorReporter& errors) {
    const int index = PortIndex(portNumber);
    SerialPort port(library);
    int result = port.OpenPort(static_cast<uint8_t>(index), SerialPort::BaudCode(baudRate));
    std::string hint = library.LastErrorText(index);
    port.ClosePort();
    if (result == 0) {
        return true;
    }
    std::string message = ErrorText(error::kPortFailed, deviceName.c_str(), baudRate);
    if (!hint.empty()) {
        message += "\n\n" + hint;
    }
    errors.Show(error::kPortFailed, std::nullopt, message);
    return false;
}

}  // namespace quillon
