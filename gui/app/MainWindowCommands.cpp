// The main window's commands: slot pick, toggle and display, the port, the other windows, Start.
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QScreen>

#include "app/EstimateText.h"
#include "app/MainWindow.h"
#include "controls/PaintedButton.h"
#include "controls/PaintedLabel.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/FilePicker.h"
#include "dialogs/LogBrowserDialog.h"
#include "dialogs/RuntimeParametersDialog.h"
#include "dialogs/SelectSerialPortDialog.h"
#include "dialogs/TextFileWindow.h"
#include "dialogs/UploadProgressWindow.h"
#include "firmware/FileChecks.h"
#include "serial/PortName.h"
#include "serial/SerialBackend.h"
#include "settings/SettingsKeys.h"
#include "sim/SimulatedLine.h"
#include "upload/ImageEstimate.h"

namespace quillon {

namespace {

constexpr FileKind kSlotKinds[] = {FileKind::kComm, FileKind::kReader, FileKind::kSpeech};
constexpr const char* kClearCaptions[] = {"CLEAR Comm File", "CLEAR Reader File",
                                          "CLEAR Speech File"};
constexpr const char* kLoadCaptions[] = {"Load Comm File", "Load Reader File", "Load Speech File"};
constexpr const char* kSelectTexts[] = {"\n\n\n\n\nClick the button to\nSELECT the COMM file.",
                                        "\n\n\n\n\nClick the button to\nSELECT the Reader file.",
                                        "\n\n\n\n\nClick the button to\nSELECT the Speech file."};
constexpr const char* kEstimateFormat =
    "Estimate To Cmplete:\n%s\n\n\n\nClick the button to\nCLEAR your selection.";
constexpr const char* kSpeechEstimateFormat =
    "Estimate To Cmplete:\n%s\n\n\nClick the button to\nCLEAR your selection.";
constexpr const char* kNotUsedText = "\n\n\n\n\nNot used when loading\nfiles to KX2.";
constexpr const char* kPickerTitles[] = {"Open COMM File", "Open READER File", "Open SPEECH File"};
constexpr const char* kKx2PickerTitle = "Open KX2 File";
// Room the menu's own margins take beside the path, so the whole menu fits on the screen.
constexpr int kPopupFrame = 120;
constexpr const char* kPopupTitles[] = {"COMM File:", "READER File:", "SPEECH File:"};
constexpr const char* kNothingSelected = "No File has been Selected Yet!";
constexpr const char* kHbdFilter = "bin files (*.bin)|*.bin|All files (*.*)|*.*||";
constexpr const char* kKx2Filter = "KX2 files (*.kx)|*.kx|All files (*.*)|*.*||";
// Added below error 201's own text while an earlier upload's worker still holds the line.
constexpr const char* kUploadFinishingText =
    "\n\nAn upload is still finishing on this port.\nWait for it to end, then try again.";
constexpr const char* kUpgradesText =
    "Updates come with the package Quillon7 was\ninstalled from: update it with the "
    "system's\npackage manager, or ask your supplier\nfor the latest version.";
constexpr std::size_t kShortestTogglePath = 5;

constexpr Rgb kGrey = Rgb(0x808080);
constexpr Rgb kDimGrey = Rgb(0x696969);
constexpr Rgb kDarkBlue = Rgb(0x00008B);
constexpr Rgb kMaroon = Rgb(0x800000);

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool MainWindow::StartSimulatedUnit(std::string* error) {
    simulated_ = sim::SimulatedLine::Start(state_.isKx2, error);
    simulating_ = simulated_ != nullptr;
    ShowPortLabel();
    return simulating_;
}

std::string MainWindow::CurrentDevice() const {
    if (simulating_) {
        return simulated_ ? simulated_->DevicePath() : std::string();
    }
    return portDevice_;
}

void MainWindow::PickSlot(Slot slot) {
    SlotState& state = slots_.at(slot);
    if (state.selected) {
        state.selected = false;
        ShowSlot(slot, true);
        return;
    }
    const bool kx2 = state_.isKx2;
    const FilePicker::Request request{
        QString::fromLatin1(kx2 ? kKx2PickerTitle : kPickerTitles[slot]),
        FilePicker::ConvertFilter(QString::fromLatin1(kx2 ? kKx2Filter : kHbdFilter)),
        QString::fromLatin1(kx2 ? "kx" : "bin")};
    const std::optional<QString> chosen = picker_.PickOpenFile(this, request);
    update();
    if (!chosen) {
        return;
    }
    const std::string path = chosen->toStdString();
    const int32_t blocks =
        UploadSession::CheckPick(path, kSlotKinds[slot], kx2, validate_, errors_);
    if (blocks == kFileRejected) {
        if (!HasProgramFileExtension(path, kx2)) {
            return;  // a file of the wrong type is no pick at all
        }
        state.selected = false;
        state.path.clear();
        RefreshFileLabels();
        return;
    }
    state.path = path;
    state.selected = true;
    if (!(kx2 && slot == kSlotComm)) {
        state.blocks = blocks;
        ApplyTamarackMarker(slot);
    }
    ShowSlot(slot, true);
}

void MainWindow::ApplyTamarackMarker(Slot slot) {
    if (slot == kSlotSpeech) {
        return;
    }
    const bool found = SearchTamarackMarker(slots_.at(slot).path, kSlotKinds[slot]);
    if (found == state_.tamarackLine) {
        return;
    }
    state_.tamarackLine = found;
    settings::Write(ini_, settings::kTamarackLine, found ? 1 : 0);
    ApplyModeLayout();
}

void MainWindow::ToggleSlot(Slot slot) {
    // A KX2 unit takes its one file in the COMM slot; the other icons pick nothing.
    if (state_.isKx2 && slot != kSlotComm) {
        return;
    }
    SlotState& state = slots_.at(slot);
    if (state.path.size() < kShortestTogglePath) {
        PickSlot(slot);
        return;
    }
    state.selected = !state.selected;
    ShowSlot(slot, true);
}

void MainWindow::ShowSlot(Slot slot, bool withEstimate) {
    const SlotState& state = slots_.at(slot);
    SlotControls& controls = slotControls_.at(slot);
    if (withEstimate) {
        controls.load->setText(
            QString::fromLatin1(state.selected ? kClearCaptions[slot] : kLoadCaptions[slot]));
    }
    controls.description->SetBackgroundColor(Qt::white);
    if (state_.isKx2 && slot != kSlotComm) {
        controls.description->SetTextColor(ToQColor(kMaroon));
        controls.description->setText(QString::fromLatin1(kNotUsedText));
    } else if (state.selected && withEstimate) {
        controls.description->SetTextColor(ToQColor(kDarkBlue));
        // The figure the upload itself will start from, counted from the file as it is now.
        const uint64_t length =
            static_cast<uint64_t>(QFileInfo(QString::fromStdString(state.path)).size());
        const std::string time = FormatEstimate(
            EstimateImage(length, kSlotKinds[slot], state_.isKx2, ini_, baudRate_).seconds);
        controls.description->SetText(slot == kSlotSpeech ? kSpeechEstimateFormat : kEstimateFormat,
                                      time.c_str());
    } else {
        controls.description->SetTextColor(ToQColor(kDimGrey));
        controls.description->setText(QString::fromLatin1(kSelectTexts[slot]));
    }
    RefreshFileLabels();
}

void MainWindow::RefreshFileLabels() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const SlotState& state = slots_.at(slot);
        PaintedLabel* label = slotControls_.at(slot).fileName;
        label->SetTextColor(ToQColor(state.selected ? kDarkBlue : kGrey));
        label->SetBackgroundColor(Qt::white);
        label->setText(QString::fromStdString(FileNamePart(state.path)));
        label->setToolTip(label->text());
    }
}

void MainWindow::SelectSerialPort() {
    SelectSerialPortDialog dialog(portLister_ ? portLister_() : std::vector<SerialPortInfo>{},
                                  runner_, this);
    dialog.SetSelection(portNumber_, CurrentDevice(), SelectSerialPortDialog::BaudIndex(baudRate_));
    if (runner_.Run(dialog) != FramedDialog::kResultOk) {
        return;
    }
    portNumber_ = dialog.PortNumber();
    baudRate_ = dialog.Baud();
    portDevice_ = dialog.Device();
    // A port chosen by hand replaces the simulated unit for the rest of the run.
    simulating_ = false;
    simulated_.reset();
    ShowPortLabel();
    settings::Write(ini_, settings::kBaudRate, baudRate_);
    settings::Write(ini_, settings::kPortNumber, portNumber_);
    settings::Write(ini_, settings::kPortDevice, portDevice_);
    // The estimates follow the rate.
    for (int slot = 0; slot < kSlotCount; ++slot) {
        ShowSlot(static_cast<Slot>(slot), true);
    }
}

void MainWindow::ShowRuntimeParams() {
    RuntimeParametersDialog dialog(state_, runner_, picker_, sounds_, this);
    if (runner_.Run(dialog) != FramedDialog::kResultOk) {
        return;
    }
    validate_ = dialog.ValidateFiles();
    ApplyModeLayout();
}

void MainWindow::ShowLogs() {
    LogBrowserDialog dialog(state_.LogsDir(), runner_, errors_, this);
    dialog.SetUrlOpener(opener_);
    runner_.Run(dialog);
}

void MainWindow::ShowAbout() {
    AboutDialog about(state_, this);
    runner_.Run(about);
}

void MainWindow::ViewHistory() {
    const std::string path = state_.HistoryPath();
    QFile history(QString::fromStdString(path));
    if (!history.open(QIODevice::ReadOnly)) {
        errors_.Show(error::kHistoryMissing, path);
        return;
    }
    history.close();
    TextFileWindow::OpenOrShow(QString::fromStdString(path), opener_, runner_, this);
}

void MainWindow::OpenIniFile() {
    // Without a desktop editor the technician edits it here, and it is replaced whole as every
    // settings write replaces it, keeping its line ends.
    auto save = [this](const QString& text) {
        const std::string lineEnd(ini_.LineEnd());
        std::string content;
        for (const char c : text.toStdString()) {
            content += c == '\n' ? lineEnd : std::string(1, c);
        }
        return ini_.ReplaceWith(content);
    };
    TextFileWindow::OpenOrShow(QString::fromStdString(state_.IniPath()), iniOpener_, runner_, this,
                               save);
}

void MainWindow::CheckForUpgrades() {
    ConfirmDialog notice(this);
    notice.SetSingleButton(true);
    notice.SetText("%s", kUpgradesText);
    runner_.Run(notice);
}

std::string MainWindow::ShownDevice() const {
    const std::string device = CurrentDevice();
    if (!device.empty()) {
        return device;
    }
    const int index = PortIndex(portNumber_);
    const std::shared_ptr<SerialBackend> line = RunLineBackend();
    line->SetDevice(index, device);
    return line->DevicePath(index);
}

std::shared_ptr<SerialBackend> MainWindow::RunLineBackend() const {
    return simulated_ ? simulated_->Backend() : line_;
}

bool MainWindow::CheckPort() {
    return TestOpenPort(*RunLineBackend(), {portNumber_, CurrentDevice()}, baudRate_, errors_);
}

bool MainWindow::RefuseWhileUploadFinishes() {
    if (!uploadRunning_ || !uploadRunning_()) {
        return false;
    }
    errors_.Show(
        error::kPortFailed, std::nullopt,
        ErrorText(error::kPortFailed, ShownDevice().c_str(), baudRate_) + kUploadFinishingText);
    return true;
}

void MainWindow::TextHbd() {
    if (RefuseWhileUploadFinishes() || !CheckPort()) {
        return;
    }
    ShowSerialTextView();
}

void MainWindow::ShowSerialTextView() {
    if (textView_) {
        textView_({portNumber_, CurrentDevice(), baudRate_, RunLineBackend()});
    }
}

void MainWindow::Start() {
    const bool kx2 = state_.isKx2;
    UploadRequest request;
    auto selectedPath = [this](Slot slot) -> std::optional<std::string> {
        const SlotState& state = slots_.at(slot);
        return state.selected ? std::optional<std::string>(state.path) : std::nullopt;
    };
    request.files.comm = selectedPath(kSlotComm);
    request.files.reader = selectedPath(kSlotReader);
    request.files.speech = selectedPath(kSlotSpeech);
    FileSelection checked = request.files;
    if (kx2 && !checked.Empty()) {
        // The .kx file is the COMM slot's, whichever slot was selected.
        checked.comm = slots_[kSlotComm].path;
    }
    // The files are read here, once: the progress window's worker sends these bytes.
    auto session = std::make_shared<UploadSession>(state_, *clock_);
    if (!session->CheckFiles(checked, kx2, validate_, ini_, errors_)) {
        return;
    }
    // The selected slots are remembered as they stand (in KX2 mode the COMM slot holds the .kx).
    UploadSession::RememberFiles(request.files, ini_);
    // One upload at a time: the unit of a run still finishing is not replaced under it.
    if (RefuseWhileUploadFinishes()) {
        return;
    }
    if (simulating_) {
        std::string error;
        simulated_.reset();  // the last run's unit goes before the next one is made
        simulated_ = sim::SimulatedLine::Start(kx2, &error);
        if (!simulated_) {
            errors_.Show(error::kPortFailed, std::nullopt,
                         "The simulated unit could not be started.\n\n" + error);
            return;
        }
        ShowPortLabel();
    }
    const PortName port{portNumber_, CurrentDevice()};
    if (!session->CheckPort(RunLineBackend(), port, baudRate_, errors_)) {
        return;
    }
    request.kx2 = kx2;
    request.session = std::move(session);
    request.line = RunLine{port, baudRate_, settings::ReadBool(ini_, settings::kLoadCommFirst),
                           simulated_ != nullptr};
    RunUploadWindow(request);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        slots_.at(slot).selected = false;
    }
    for (int slot = 0; slot < kSlotCount; ++slot) {
        ShowSlot(static_cast<Slot>(slot), true);
    }
}

void MainWindow::RunUploadWindow(const UploadRequest& request) {
    if (uploadWindow_) {
        uploadWindow_(request);
    }
}

void MainWindow::ShowFilePopup(QWidget* control) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const SlotControls& controls = slotControls_.at(slot);
        if (control != controls.icon && control != controls.load) {
            continue;
        }
        const SlotState& state = slots_.at(slot);
        QMenu menu(this);
        menu.addAction(QString::fromLatin1(kPopupTitles[slot]));
        // A long path is cut in the middle, so the menu fits on even a small screen whole.
        const QScreen* shown = screen();
        const int room =
            shown != nullptr ? shown->availableGeometry().width() - kPopupFrame : QWIDGETSIZE_MAX;
        const QString path = QString::fromStdString(state.path);
        menu.addAction(state.selected ? menu.fontMetrics().elidedText(path, Qt::ElideMiddle, room)
                                      : QString::fromLatin1(kNothingSelected));
        // The menu only shows the path; whatever is chosen is ignored.
        menuRunner_(menu);
        return;
    }
}

}  // namespace quillon
