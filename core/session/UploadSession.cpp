#include "session/UploadSession.h"

#include "firmware/FileChecks.h"
#include "serial/SerialPort.h"
#include "settings/SettingsKeys.h"
#include "upload/UploadWorkers.h"

namespace quillon {

namespace {

constexpr std::size_t kShortestRememberedPath = 2;  // longer than one character

}  // namespace

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
        images.comm = ReadCheckedFile(files.comm.value_or(""), std::nullopt, validate, errors);
        refused = !images.comm ||
                  !CheckKx2Image(*images.comm, settings::Read(ini, settings::kMaxPacketSize),
                                 settings::Read(ini, settings::kDelayBetweenPackets), errors);
        return refused ? std::nullopt : std::optional<StartImages>(images);
    }
    const struct {
        const std::optional<std::string>& path;
        FileKind kind;
        FirmwareImageRef& image;
    } boards[] = {{files.speech, FileKind::kSpeech, images.speech},
                  {files.reader, FileKind::kReader, images.reader},
                  {files.comm, FileKind::kComm, images.comm}};
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

UploadSession::~UploadSession() {
    Stop();
    Wait();
}

int32_t UploadSession::CheckPick(const std::string& path, FileKind kind, bool kx2, bool validate,
                                 ErrorReporter& errors) {
    if (!CheckProgramFileExtension(path, kx2, errors)) {
        return kFileRejected;
    }
    if (kx2) {
        return 0;  // the .kx file is checked at Start only
    }
    switch (kind) {
        case FileKind::kComm:
            return ValidateCommFile(path, validate, errors);
        case FileKind::kReader:
            return ValidateReaderFile(path, validate, errors);
        case FileKind::kSpeech:
            return ValidateSpeechFile(path, validate, errors);
    }
    return kFileRejected;
}

bool UploadSession::CheckFiles(const FileSelection& files, bool kx2, bool validate,
                               const IniFile& ini, ErrorReporter& errors, bool reportEvery) {
    bool extensionsPass = true;
    for (const auto* path : {&files.comm, &files.reader, &files.speech}) {
        if (*path && (extensionsPass || reportEvery)) {
            extensionsPass = CheckProgramFileExtension(**path, kx2, errors) && extensionsPass;
        }
    }
    if (!extensionsPass && !reportEvery) {
        return false;
    }
    std::optional<StartImages> images =
        CheckStartSelection(files, kx2, validate, ini, errors, reportEvery);
    if (!images || !extensionsPass) {
        return false;
    }
    images_ = *images;
    kx2_ = kx2;
    return true;
}

void UploadSession::ApplyTamarackMarkers(IniFile& ini) const {
    if (kx2_) {
        return;
    }
    for (const auto& [image, kind] :
         {std::pair{images_.comm, FileKind::kComm}, std::pair{images_.reader, FileKind::kReader}}) {
        if (image) {
            UpdateTamarackSetting(ImageHasTamarackMarker(*image, kind), ini);
        }
    }
}

void UploadSession::RememberFiles(const FileSelection& remembered, IniFile& ini) {
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

PortName UploadSession::ChoosePort(const IniFile& ini, const std::optional<PortName>& typed) {
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
    if (PortIndex(port.portNumber) < 0) {
        port.portNumber = PortName::kMinPortNumber;
    }
    return port;
}

bool TestOpenPort(SerialBackend& line, const PortName& port, int baudRate, ErrorReporter& errors,
                  std::string* device) {
    const int index = PortIndex(port.portNumber);
    line.SetDevice(index, port.device);
    std::string shown = line.DevicePath(index);
    if (shown.empty()) {
        shown = port.device;
    }
    if (device != nullptr) {
        *device = shown;
    }
    SerialPort probe(line);
    const int result =
        index < 0 ? static_cast<int>(kSerialNoSuchPort)
                  : probe.OpenPort(static_cast<uint8_t>(index), SerialPort::BaudCode(baudRate));
    const std::string hint = index < 0 ? std::string() : line.LastErrorText(index);
    probe.ClosePort();
    if (result == 0) {
        return true;
    }
    std::string message = ErrorText(error::kPortFailed, shown.c_str(), baudRate);
    if (!hint.empty()) {
        message += "\n\n" + hint;
    }
    errors.Show(error::kPortFailed, std::nullopt, message);
    return false;
}

bool UploadSession::CheckPort(std::shared_ptr<SerialBackend> line, const PortName& port,
                              int baudRate, ErrorReporter& errors) {
    line_ = std::move(line);
    return TestOpenPort(*line_, port, baudRate, errors, &device_);
}

void UploadSession::Start(const RunLine& line, std::shared_ptr<EventSink> events) {
    if (Started() || !line_) {
        return;
    }
    started_ = true;
    events_ = std::move(events);
    job_.commImage = images_.comm;
    job_.readerImage = images_.reader;
    job_.speechImage = images_.speech;
    job_.portNumber = line.port.portNumber;
    job_.portDevice = line.port.device;
    job_.baudRate = line.baudRate;
    job_.commFirst = line.commFirst;
    job_.simulatedUnit = line.simulatedUnit;
    job_.events = events_.get();
    worker_ = std::thread([this] {
        WorkerContext context{*line_, clock_, state_};
        kx2_ ? RunKx2UploadWorker(job_, context) : RunHbdUploadWorker(job_, context);
        ended_ = true;
    });
}

void UploadSession::Stop() {
    job_.abortRequest = true;
}

void UploadSession::Wait() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

void UploadSession::RecordStopped() {
    RecordStoppedRun(job_, state_.appDir, clock_);
}

}  // namespace quillon
