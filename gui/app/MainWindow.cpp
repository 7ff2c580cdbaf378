// Construction, look and start-up of the main window; its commands are in MainWindowCommands.cpp.
#include "app/MainWindow.h"

#include <QMenu>
#include <QPainter>

#include "app/MainPictures.h"
#include "controls/DialogUnits.h"
#include "controls/FramesAndGradients.h"
#include "controls/PaintedButton.h"
#include "controls/PaintedLabel.h"
#include "dialogs/EditorOpener.h"
#include "dialogs/UploadProgressWindow.h"
#include "firmware/FileChecks.h"
#include "firmware/FirmwareFile.h"
#include "platform/AppDirectory.h"
#include "platform/OsVersionText.h"
#include "program/Version.h"
#include "protocol/Boards.h"
#include "protocol/HbdControlPacket.h"
#include "serial/SystemSerialBackend.h"
#include "settings/SettingsKeys.h"
#include "sim/SimulatedLine.h"

namespace quillon {

namespace {

constexpr QSize kDialogSize(326, 246);
constexpr const char* kDialogFace = "Calibri";
constexpr int kDialogPoints = 10;

// Control places in dialog units.
constexpr QRect kLogoBox(2, 2, 186, 19);
// Exit sits left of the minimise glyph, which has the close glyph's size and stands beside it.
constexpr QRect kExitBox(258, 13, 28, 11);
constexpr QRect kMinimiseBox(289, 4, 15, 14);
constexpr QRect kCloseBox(304, 4, 15, 14);
constexpr QRect kIconBoxes[] = {QRect(6, 37, 31, 25), QRect(110, 37, 41, 25),
                                QRect(223, 37, 30, 25)};
constexpr QRect kFileNameBoxes[] = {QRect(40, 55, 63, 10), QRect(151, 55, 63, 10),
                                    QRect(256, 55, 63, 10)};
constexpr QRect kDescriptionBoxes[] = {QRect(13, 76, 80, 62), QRect(122, 76, 80, 62),
                                       QRect(229, 76, 80, 62)};
// Wider than the SPEECH description it replaces (up to the window's white body), so its longest
// line stays on one line with today's wider fonts.
constexpr QRect kTamarackBox(228, 76, 91, 62);
constexpr QRect kLoadBoxes[] = {QRect(20, 144, 66, 15), QRect(130, 144, 66, 15),
                                QRect(237, 144, 66, 15)};
constexpr QRect kSelectPortBox(4, 195, 69, 12);
// Three units taller than the old template, so both of its lines show at today's font sizes.
constexpr QRect kPortLabelBox(73, 196, 41, 13);
constexpr QRect kViewHistoryBox(122, 195, 50, 12);
constexpr QRect kTextHbdBox(212, 195, 50, 12);
constexpr QRect kRuntimeParamsBox(4, 209, 76, 12);
constexpr QRect kViewLogsBox(122, 209, 50, 12);
constexpr QRect kOpenIniBox(4, 224, 75, 12);
constexpr QRect kUpgradesBox(122, 224, 75, 12);
constexpr QRect kStartBox(275, 202, 45, 35);

constexpr const char* kLoadCaptions[] = {"Load COMM File", "Load Reader File", "Load Speech File"};
constexpr FileKind kSlotKinds[] = {FileKind::kComm, FileKind::kReader, FileKind::kSpeech};

constexpr Rgb kGrey = Rgb(0x808080);
constexpr Rgb kDimGrey = Rgb(0x696969);
constexpr Rgb kDarkBlue = Rgb(0x00008B);
constexpr Rgb kMaroon = Rgb(0x800000);
constexpr Rgb kYellow = Rgb(0xFFFF00);
constexpr Rgb kRed = Rgb(0xFF0000);
constexpr Rgb kLoadFirst = Rgb(0xFDDD39);
constexpr Rgb kLoadSecond = Rgb(0xFEBF3F);
constexpr Rgb kSilver = Rgb(0xA9A9A9);
constexpr Rgb kNearWhite = Rgb(0xF7F7F7);

constexpr int kNavigationFontHeight = 13;
constexpr int kSmallFontHeight = 12;
constexpr int kNormalWeight = 400;
constexpr int kBoldWeight = 700;
constexpr int kLogoFontHeight = 18;
constexpr int kExitFontHeight = 18;
constexpr int kLabelFontHeight = 12;
constexpr int kPortFontHeight = 11;
constexpr int kFileNameFontHeight = 13;
constexpr const char* kLabelFace = "Verdana";
constexpr const char* kFileNameFace = "Arial";
constexpr const char* kLogoFormat = "CVN Quillon7 v%d.%d";
constexpr const char* kTamarackText =
    "\n\n\n\n\nTamarack Line:\nYou must change EPROMs\nto update the Speech.";

// The background: bands in nineteenths of the height, separators in thirds of the width.
constexpr int kHeightParts = 19;
constexpr int kBodyInset = 5;
constexpr int kSeparatorWidth = 8;
constexpr int kSeparatorInset = 25;
constexpr int kWidthLoss = 16;
constexpr double kBandFlat = 0.02;
constexpr double kFirstSeparatorFlat = 0.20;
constexpr double kSecondSeparatorFlat = 0.02;

constexpr uint64_t kRememberedBlockSize = 1024;
constexpr std::size_t kShortestRememberedPath = 4;  // longer than 3 characters

void FillGradient(QPainter& painter, const QRect& box, Rgb first, Rgb second, bool horizontal,
                  double flat) {
    if (box.width() <= 0 || box.height() <= 0) {
        return;
    }
    painter.fillRect(box, MakeGradient(box, ToQColor(first), ToQColor(second), !horizontal, flat));
}

constexpr const char* kDeviceFolder = "/dev/";

QRect Span(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

}  // namespace

MainWindow::MainWindow(ProgramState& state, DialogRunner& runner, FilePicker& picker,
                       SoundPreview& sounds, QWidget* parent)
    : FramedDialog(FramedDialog::Look{}, parent),
      state_(state),
      runner_(runner),
      picker_(picker),
      sounds_(sounds),
      errors_(runner, this),
      ini_(state.IniPath()),
      opener_(&OpenInUsersEditor),
      iniOpener_(&OpenInNotepad),
      menuRunner_([](QMenu& menu) { return menu.exec(QCursor::pos()); }),
      portLister_([]() { return ListSerialPorts(); }),
      line_(MakeSystemSerialBackend()),
      uploadRunning_([]() { return false; }) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Quillon7"));
    setWindowIcon(ProgramIcon());
    setFont(QFont(QString::fromLatin1(kDialogFace), kDialogPoints));
    BuildControls();
    StartUp();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildControls() {
    const DialogUnits units(font());
    setFixedSize(units.ToPixelsX(kDialogSize.width()), units.ToPixelsY(kDialogSize.height()));
    auto button = [this, &units](const QRect& box, const char* caption) {
        auto* made = new PaintedButton(this);
        made->setText(QString::fromLatin1(caption));
        made->setGeometry(units.ToPixels(box));
        return made;
    };
    auto label = [this, &units](const QRect& box) {
        auto* made = new PaintedLabel(this);
        made->setGeometry(units.ToPixels(box));
        return made;
    };
    logo_ = button(kLogoBox, "");
    exit_ = button(kExitBox, "Exit");
    close_ = button(kCloseBox, "");
    minimise_ = button(kMinimiseBox, "");
    for (int slot = 0; slot < kSlotCount; ++slot) {
        SlotControls& controls = slotControls_.at(slot);
        controls.icon = button(kIconBoxes[slot], "");
        controls.fileName = label(kFileNameBoxes[slot]);
        controls.description = label(kDescriptionBoxes[slot]);
    }
    tamarackNotice_ = label(kTamarackBox);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        slotControls_.at(slot).load = button(kLoadBoxes[slot], kLoadCaptions[slot]);
    }
    selectPort_ = button(kSelectPortBox, "Select Serial Port");
    portLabel_ = label(kPortLabelBox);
    viewHistory_ = button(kViewHistoryBox, "View History");
    textHbd_ = button(kTextHbdBox, "Text HBD");
    runtimeParams_ = button(kRuntimeParamsBox, "Runtime Parameters");
    viewLogs_ = button(kViewLogsBox, "View Logs");
    openIni_ = button(kOpenIniBox, "Open \"INI\" file");
    upgrades_ = button(kUpgradesBox, "Check for Upgrades");
    start_ = button(kStartBox, "");

    connect(exit_, &QAbstractButton::clicked, this, [this]() { done(kResultOk); });
    connect(close_, &QAbstractButton::clicked, this, [this]() { done(kResultOk); });
    connect(minimise_, &QAbstractButton::clicked, this, &QWidget::showMinimized);
    // Most of the title band is the logo: dragging it moves the window, a click opens About.
    DragBy(logo_);
    connect(logo_, &QAbstractButton::clicked, this, &MainWindow::ShowAbout);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const auto which = static_cast<Slot>(slot);
        const SlotControls& controls = slotControls_.at(slot);
        connect(controls.load, &QAbstractButton::clicked, this,
                [this, which]() { PickSlot(which); });
        connect(controls.icon, &QAbstractButton::clicked, this,
                [this, which]() { ToggleSlot(which); });
        for (PaintedButton* target : {controls.load, controls.icon}) {
            connect(target, &PaintedButton::rightButtonPressed, this,
                    [this](PaintedButton* pressed) { ShowFilePopup(pressed); });
        }
    }
    connect(selectPort_, &QAbstractButton::clicked, this, &MainWindow::SelectSerialPort);
    connect(runtimeParams_, &QAbstractButton::clicked, this, &MainWindow::ShowRuntimeParams);
    connect(viewLogs_, &QAbstractButton::clicked, this, &MainWindow::ShowLogs);
    connect(viewHistory_, &QAbstractButton::clicked, this, &MainWindow::ViewHistory);
    connect(openIni_, &QAbstractButton::clicked, this, &MainWindow::OpenIniFile);
    connect(upgrades_, &QAbstractButton::clicked, this, &MainWindow::CheckForUpgrades);
    connect(textHbd_, &QAbstractButton::clicked, this, &MainWindow::TextHbd);
    connect(start_, &QAbstractButton::clicked, this, &MainWindow::Start);
    ArrangeKeyboardOrder();
}

void MainWindow::ArrangeKeyboardOrder() {
    // Tab goes through the work first (files, Start, port) and reaches Exit last, so a Space
    // pressed after the first Tab does not end the program.
    std::vector<QWidget*> order;
    for (const SlotControls& controls : slotControls_) {
        order.push_back(controls.load);
    }
    order.insert(order.end(), {start_, selectPort_, viewHistory_, textHbd_, runtimeParams_,
                               viewLogs_, openIni_, upgrades_});
    for (const SlotControls& controls : slotControls_) {
        order.push_back(controls.icon);
    }
    order.insert(order.end(), {logo_, exit_, minimise_, close_});
    for (std::size_t i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    order.front()->setFocus();
}

void MainWindow::DressControls() {
    close_->SetFlat(true);
    close_->SetTextColors(ToQColor(kGrey), ToQColor(kGrey), ToQColor(kGrey));
    close_->SetBackgroundColors(Qt::black, Qt::black, Qt::black);
    const QImage glyph = DrawCloseGlyph(close_->size() - QSize(2, 2));
    close_->SetBitmaps(glyph, Qt::black, glyph, Qt::black);
    minimise_->SetFlat(true);
    minimise_->SetTextColors(ToQColor(kGrey), ToQColor(kGrey), ToQColor(kGrey));
    minimise_->SetBackgroundColors(Qt::black, Qt::black, Qt::black);
    const QImage bar = DrawMinimiseGlyph(minimise_->size() - QSize(2, 2));
    minimise_->SetBitmaps(bar, Qt::black, bar, Qt::black);

    const QColor darkBlue = ToQColor(kDarkBlue);
    for (PaintedButton* navigation :
         {selectPort_, runtimeParams_, viewLogs_, viewHistory_, textHbd_}) {
        navigation->SetFlat(true);
        navigation->SetTextColors(darkBlue, darkBlue, darkBlue);
        navigation->SetBackgroundColors(Qt::white, Qt::white, Qt::white);
        navigation->SetTransparent(true);
        navigation->SetButtonFont(kNavigationFontHeight, kNormalWeight);
    }
    for (PaintedButton* small : {upgrades_, openIni_}) {
        small->SetFlat(true);
        small->SetTextColors(Qt::black, Qt::black, Qt::black);
        small->SetBackgroundColors(Qt::white, Qt::white, Qt::white);
        small->SetTransparent(true);
        small->SetButtonFont(kSmallFontHeight, kNormalWeight);
    }
    start_->SetFlat(true);
    start_->SetTextColors(Qt::black, Qt::black, Qt::black);
    start_->SetBackgroundColors(Qt::white, Qt::white, Qt::white);
    start_->SetTransparent(true);
    start_->SetButtonFont(kNavigationFontHeight, kNormalWeight);
    start_->SetBitmaps(DrawStartPicture(start_->size() - QSize(4, 4), true), Qt::red,
                       DrawStartPicture(start_->size() - QSize(4, 4), false), Qt::blue);

    const QColor yellow = ToQColor(kYellow);
    logo_->SetTextColors(yellow, yellow, yellow);
    logo_->SetBackgroundColors(Qt::black, Qt::black, Qt::black);
    logo_->SetButtonFont(kLogoFontHeight, kBoldWeight);
    QFont logoFont = logo_->font();
    logoFont.setItalic(true);
    logo_->setFont(logoFont);
    const QSize logoPicture(logo_->height() - 4, logo_->height() - 4);
    logo_->SetBitmaps(DrawLogoPicture(logoPicture, true), Qt::red,
                      DrawLogoPicture(logoPicture, false), Qt::blue);
    logo_->SetText(kLogoFormat, kVersionMajor, kVersionMinor);

    const QColor red = ToQColor(kRed);
    exit_->SetTextColors(red, red, red);
    exit_->SetBackgroundColors(Qt::black, Qt::black, Qt::black);
    exit_->SetTextAlignment(PaintedButton::kSingleCentered);
    exit_->SetButtonFont(kExitFontHeight, kBoldWeight);

    tamarackNotice_->SetStaticFont(kLabelFontHeight, kBoldWeight, QString::fromLatin1(kLabelFace));
    tamarackNotice_->SetTextColor(ToQColor(kMaroon));
    tamarackNotice_->SetBackgroundColor(Qt::white);
    tamarackNotice_->setText(QString::fromLatin1(kTamarackText));
    tamarackNotice_->setWordWrap(true);
    tamarackNotice_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    portLabel_->SetStaticFont(kPortFontHeight, kBoldWeight, QString::fromLatin1(kLabelFace));
    portLabel_->SetTextColor(ToQColor(kDimGrey));
    portLabel_->SetBackgroundColor(Qt::white);
    portLabel_->setWordWrap(true);
    portLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        DressSlot(static_cast<Slot>(slot));
    }
    for (PaintedButton* button : findChildren<PaintedButton*>()) {
        button->SetHandCursor();
        // The keyboard user sees where the focus is.
        button->SetDrawFocusWhenFlat(true);
    }
}

void MainWindow::DressSlot(Slot slot) {
    SlotControls& controls = slotControls_.at(slot);
    const QColor darkBlue = ToQColor(kDarkBlue);
    controls.load->SetGradientMode(ToQColor(kLoadFirst), ToQColor(kLoadSecond), true);
    controls.load->SetGradientBorder(1, ToQColor(kLoadSecond));
    controls.load->SetTextColors(Qt::black, Qt::black, Qt::black);
    controls.load->SetTextAlignment(PaintedButton::kSingleCentered);
    controls.load->SetButtonFont(kNavigationFontHeight, kNormalWeight);

    controls.description->SetStaticFont(kLabelFontHeight, kBoldWeight,
                                        QString::fromLatin1(kLabelFace));
    controls.description->SetTextColor(darkBlue);
    controls.description->SetBackgroundColor(Qt::white);
    controls.description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    controls.description->setWordWrap(true);

    controls.icon->setText(QString());
    controls.icon->SetTextColors(Qt::black, Qt::black, Qt::black);
    controls.icon->SetBackgroundColors(Qt::white, Qt::white, Qt::white);
    controls.icon->SetFlat(true);
    const QImage picture = DrawSlotPicture(kSlotKinds[slot], controls.icon->size() - QSize(4, 4));
    controls.icon->SetBitmaps(picture, Qt::white, picture, Qt::white);

    controls.fileName->SetStaticFont(kFileNameFontHeight, kBoldWeight,
                                     QString::fromLatin1(kFileNameFace));
    controls.fileName->SetTextColor(darkBlue);
    controls.fileName->SetBackgroundColor(Qt::white);
    controls.fileName->setText(QString());
    // Versions of one firmware differ at the end of the name: cut in the middle, keep the end.
    controls.fileName->SetElideMode(Qt::ElideMiddle);
}

void MainWindow::StartUp() {
    // A folder that cannot be made shows up later as a log or history that cannot be written.
    CreateAppFolders(state_.appDir);
    state_.osVersionText = BuildOsVersionText();
    DressControls();

    const PortName port = UploadSession::ChoosePort(ini_, std::nullopt);
    portNumber_ = port.portNumber;
    portDevice_ = port.device;
    baudRate_ = settings::Read(ini_, settings::kBaudRate);
    state_.tamarackLine = settings::ReadBool(ini_, settings::kTamarackLine);
    ShowPortLabel();

    settings::CreateDefaultFile(ini_);
    const bool allowAbort = settings::ReadBool(ini_, settings::kAllowAbort);
    settings::Write(ini_, settings::kAllowAbort, allowAbort ? 1 : 0);
    for (SlotState& slot : slots_) {
        slot.selected = false;
    }
    slots_[kSlotSpeech].path = settings::Read(ini_, settings::kFileSpeech);
    slots_[kSlotReader].path = settings::Read(ini_, settings::kFileReader);
    slots_[kSlotComm].path = settings::Read(ini_, settings::kFileComm);
    ReadRememberedFiles();
    RefreshFileLabels();
    for (int slot = 0; slot < kSlotCount; ++slot) {
        ShowSlot(static_cast<Slot>(slot), false);
    }
    state_.isKx2 = settings::ReadBool(ini_, settings::kIsKx2);
    state_.tamarackLine = settings::ReadBool(ini_, settings::kTamarackLine);
    ApplyModeLayout();
}

void MainWindow::ReadRememberedFiles() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        SlotState& state = slots_.at(slot);
        if (state.path.size() < kShortestRememberedPath) {
            continue;
        }
        FirmwareFile file;
        if (!file.SetPath(state.path) || !file.OpenInputFile()) {
            state.blocks = 0;
            state.path.clear();
            continue;
        }
        // Unsigned arithmetic as the count was always made: a file shorter than its header
        // wraps to a count that reads negative and is forgotten with the short ones.
        const uint64_t length = file.Length();
        const uint64_t payload = length - FindBoard(kSlotKinds[slot])->keptOnHost;
        state.blocks = static_cast<int32_t>(static_cast<uint32_t>(payload / kRememberedBlockSize));
        file.Close();
        if (state.blocks < kMinRememberedBlocks) {
            state.path.clear();
        }
    }
}

void MainWindow::ApplyModeLayout() {
    SlotControls& reader = slotControls_[kSlotReader];
    SlotControls& speech = slotControls_[kSlotSpeech];
    const bool kx2 = state_.isKx2;
    if (kx2) {
        reader.load->hide();
        speech.load->hide();
        tamarackNotice_->hide();
    } else if (state_.tamarackLine) {
        speech.load->hide();
        speech.fileName->hide();
        speech.icon->hide();
        speech.description->hide();
        tamarackNotice_->show();
        reader.load->show();
    } else {
        speech.load->show();
        speech.fileName->show();
        speech.icon->show();
        speech.description->show();
        reader.load->show();
        tamarackNotice_->hide();
    }
    // No choice of the other mode survives a switch: a COMM file of the wrong kind (a .kx in HBD
    // mode, a .bin in KX2 mode) is forgotten, and KX2 mode loads only the COMM slot. Every slot
    // is drawn anew, so no text of the other mode stays behind.
    for (int each = 0; each < kSlotCount; ++each) {
        const auto slot = static_cast<Slot>(each);
        SlotState& state = slots_.at(each);
        const bool wrongFile =
            slot == kSlotComm && !state.path.empty() && !HasProgramFileExtension(state.path, kx2);
        if (wrongFile) {
            state.path.clear();
            state.blocks = 0;
        }
        const bool dropped = state.selected && (wrongFile || (kx2 && slot != kSlotComm));
        if (dropped) {
            state.selected = false;
        }
        ShowSlot(slot, state.selected || dropped);
    }
    update();
}

void MainWindow::ShowPortLabel() {
    if (baudRate_ == kNoBaud) {
        portLabel_->setText(QString());
        return;
    }
    const std::string device = CurrentDevice();
    if (device.empty()) {
        portLabel_->SetText("Port %d\n%d bps", portNumber_, baudRate_);
    } else {
        // A named device says more than its slot number; it is shown below /dev, so that a
        // pseudo-terminal reads "pts/3" rather than a bare "3".
        const std::string devices = kDeviceFolder;
        const std::string shown =
            device.rfind(devices, 0) == 0 ? device.substr(devices.size()) : device;
        portLabel_->SetText("%s\n%d bps", shown.c_str(), baudRate_);
    }
}

void MainWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    const int u = h / kHeightParts;
    const int t = (w - kWidthLoss) / 3;
    painter.fillRect(rect(), Qt::black);
    painter.fillRect(Span(kBodyInset, 2 * u, w - kBodyInset, 14 * u), Qt::white);
    FillGradient(painter, Span(kBodyInset, 14 * u, w - kBodyInset, 15 * u), Rgb(0x000000), kSilver,
                 true, kBandFlat);
    painter.fillRect(Span(kBodyInset, 15 * u, w - kBodyInset, 19 * u), Qt::white);
    FillGradient(painter,
                 Span(t, 2 * u + kSeparatorInset, t + kSeparatorWidth, 14 * u - kSeparatorInset),
                 kSilver, kNearWhite, false, kFirstSeparatorFlat);
    FillGradient(painter,
                 Span(2 * t + kSeparatorWidth, 2 * u + kSeparatorInset, 2 * t + 2 * kSeparatorWidth,
                      14 * u - kSeparatorInset),
                 kSilver, kNearWhite, false, kSecondSeparatorFlat);
}

}  // namespace quillon
