#include "upload/StartPlan.h"

#include <cstdio>

#include "firmware/FileChecks.h"
#include "serial/PortName.h"
#include "serial/SerialPort.h"
#include "settings/SettingsKeys.h"

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

namespace {

constexpr std::size_t kShortestRememberedPath = 2;  // longer than one character

}  // namespace

void RememberStartFiles(const FileSelection& remembered, IniFile& ini) {
    const std::pair<const std::optional<std::string>*, const settings::StringKey*> order[] = {
        {&remembered.speech, &settings::kFileSpeech},
        {&remembered.reader, &settings::kFileReader},
        {&remembered.comm, &settings::kFileComm}};
    for (const auto& [path, key] : order) {
        if (*path && (*path)->size() >= kShortestRememberedPath) {
            settings::Write(ini, *key, **path);
        }
    }
}

PortName ChooseRunPort(const IniFile& ini, const std::optional<PortName>& typed) {
    PortName port;
    port.portNumber = settings::Read(ini, settings::kPortNumber);
    port.device = settings::Read(ini, settings::kPortDevice);
    if (typed) {
        const int settingsNumber = port.portNumber;
        port = *typed;
        if (port.portNumber == 0) {
            port.portNumber = settingsNumber;
        }
    }
    if (port.portNumber < PortName::kMinPortNumber || port.portNumber > PortName::kMaxPortNumber) {
        port.portNumber = PortName::kMinPortNumber;
    }
    return port;
}

bool CheckSerialPort(SerialBackend& backend, int portNumber, const std::string& shownDevice,
                     int baudRate, ErrorReporter& errors) {
    const int index = PortIndex(portNumber);
    SerialPort port(backend);
    int result = port.OpenPort(static_cast<uint8_t>(index), SerialPort::BaudCode(baudRate));
    std::string hint = backend.LastErrorText(index);
    port.ClosePort();
    if (result == 0) {
        return true;
    }
    std::string message = ErrorText(error::kPortFailed, shownDevice.c_str(), baudRate);
    if (!hint.empty()) {
        message += "\n\n" + hint;
    }
    errors.Show(error::kPortFailed, std::nullopt, message);
    return false;
}

void FillUploadJob(const FileSelection& files, const PortName& port, int baudRate, bool commFirst,
                   UploadJob& job) {
    job.commFile = files.comm;
    job.readerFile = files.reader;
    job.speechFile = files.speech;
    job.portNumber = port.portNumber;
    job.portDevice = port.device;
    job.baudRate = baudRate;
    job.commFirst = commFirst ? 1 : 0;
}

}  // namespace quillon
