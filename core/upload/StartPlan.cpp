#include "upload/StartPlan.h"

#include <cstdio>

#include "firmware/FileChecks.h"
#include "serial/PortName.h"
#include "serial/SerialPort.h"
#include "settings/SettingsKeys.h"

namespace quillon {

std::optional<StartImages> CheckStartSelection(const FileSelection& files, bool kx2Mode,
                                               bool validate, const IniFile& ini,
                                               ErrorReporter& errors, bool reportEvery) {
    if (files.Empty()) {
        errors.Show(error::kNothingSelected, std::nullopt);
        return std::nullopt;
    }
    StartImages images;
    bool refused = false;
    if (kx2Mode) {
        images.comm = ReadCheckedFile(files.comm.value_or(""), 0, validate, errors);
        refused = !images.comm ||
                  !CheckKx2Image(*images.comm, settings::Read(ini, settings::kMaxPacketSize),
                                 settings::Read(ini, settings::kDelayBetweenPackets), errors);
        return refused ? std::nullopt : std::optional<StartImages>(images);
    }
    const struct {
        const std::optional<std::string>& path;
        int kind;
        FirmwareImageRef& image;
    } boards[] = {{files.speech, kKindSpeech, images.speech},
                  {files.reader, kKindReader, images.reader},
                  {files.comm, kKindComm, images.comm}};
    for (const auto& board : boards) {
        if (!board.path || (refused && !reportEvery)) {
            continue;
        }
        board.image = ReadCheckedFile(*board.path, board.kind, validate, errors);
        const bool passed =
            board.image &&
            CheckBoardImage(*board.image, board.kind, validate, errors) != kFileRejected &&
            CheckBoardImageSendable(*board.image, board.kind, errors);
        refused = refused || !passed;
    }
    return refused ? std::nullopt : std::optional<StartImages>(images);
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

void FillUploadJob(const StartImages& images, const PortName& port, int baudRate, bool commFirst,
                   UploadJob& job) {
    job.commImage = images.comm;
    job.readerImage = images.reader;
    job.speechImage = images.speech;
    job.portNumber = port.portNumber;
    job.portDevice = port.device;
    job.baudRate = baudRate;
    job.commFirst = commFirst ? 1 : 0;
}

}  // namespace quillon
