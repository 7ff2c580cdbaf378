#include "dialogs/SelectSerialPortDialog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "controls/DialogUnits.h"
#include "controls/PaintedButton.h"
#include "controls/TransparentLabel.h"
#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/SettingsDialogLook.h"
#include "serial/PortName.h"
#include "serial/SystemSerialBackend.h"

namespace quillon {

namespace {

constexpr const char* const kBaudTexts[] = {"9,600 bps",  "14,400 bps", "19,200 bps",  "28,800 bps",
                                            "38,400 bps", "57,600 bps", "115,200 bps", "END!!!"};
constexpr const char* kEndText = "END";
constexpr const char* kPortFormat = "Port %2d";

constexpr QSize kDialogSize(163, 122);
constexpr int kFontPoints = 10;
constexpr const char* kFace = "Verdana";
constexpr QRect kPortLabelBox(15, 40, 42, 10);
constexpr QRect kPortListBox(65, 38, 86, 113);
constexpr QRect kBaudLabelBox(15, 70, 42, 10);
constexpr QRect kBaudListBox(65, 67, 86, 113);
constexpr QRect kCancelBox(32, 101, 40, 14);
constexpr QRect kSaveBox(92, 101, 40, 14);
constexpr int kListFieldHeight = 13;
// Windows knows its ports by number (COM3), so the numbered entry is where a technician looks for
// the adapter; on Linux the numbered ports are the fixed ttyS ones and the adapters come after.
constexpr bool kNamesNumberedPorts = PortName::kNativeNaming == PortNaming::kWindows;
constexpr int kButtonFontHeight = 13;
constexpr int kButtonFontWeight = 400;
constexpr Rgb kButtonFirst = Rgb(0xFDDD39);
constexpr Rgb kButtonSecond = Rgb(0xFEBF3F);

QString PortText(int number) {
    char text[16];
    std::snprintf(text, sizeof text, kPortFormat, number);
    return QString::fromLatin1(text);
}

QComboBox* MakeList(QWidget* parent, const DialogUnits& units, const QRect& box, bool editable) {
    auto* list = new QComboBox(parent);
    list->setEditable(editable);
    list->setInsertPolicy(QComboBox::NoInsert);
    const QRect place = units.ToPixels(box);
    list->setGeometry(place.x(), place.y(), place.width(), units.ToPixelsY(kListFieldHeight));
    return list;
}

// True when one of "Port 1" to "Port 12" opens the device already: /dev/ttyS0 is Port 1 (on
// Windows the system lists COM1, the port number's own name).
bool IsNumberedPort(const std::string& devicePath) {
    const std::optional<PortName> name = PortName::Parse(devicePath);
    if (name && !name->HasDevice()) {
        return name->portNumber <= SelectSerialPortDialog::kListedPorts;
    }
    for (int number = 1; number <= SelectSerialPortDialog::kListedPorts; ++number) {
        if (SystemDevicePath(number) == devicePath) {
            return true;
        }
    }
    return false;
}

}  // namespace

SelectSerialPortDialog::SelectSerialPortDialog(std::vector<SerialPortInfo> devices,
                                               DialogRunner& runner, QWidget* parent)
    : FramedDialog(SettingsDialogLook(), parent), devices_(std::move(devices)), runner_(runner) {
    std::vector<SerialPortInfo> numbered;
    std::erase_if(devices_, [&numbered](const SerialPortInfo& info) {
        if (!IsNumberedPort(info.devicePath)) {
            return false;
        }
        numbered.push_back(info);
        return true;
    });
    setObjectName(QStringLiteral("SelectSerialPortDialog"));
    setFont(QFont(QString::fromLatin1(kFace), kFontPoints));
    SetTitleText(QString::fromLatin1(kTitle));
    const DialogUnits units(font());
    setFixedSize(units.ToPixelsX(kDialogSize.width()), units.ToPixelsY(kDialogSize.height()));

    auto* portLabel = new TransparentLabel(this);
    portLabel->setText(QStringLiteral("Port Num"));
    portLabel->setGeometry(units.ToPixels(kPortLabelBox));
    // The port field takes a typed device; a rate can only be picked.
    portList_ = MakeList(this, units, kPortListBox, true);
    auto* baudLabel = new TransparentLabel(this);
    baudLabel->setText(QStringLiteral("Baud Rate"));
    baudLabel->setGeometry(units.ToPixels(kBaudLabelBox));
    baudList_ = MakeList(this, units, kBaudListBox, false);
    // The device descriptions are long; the open list may be wider than its field.
    portList_->view()->setMinimumWidth(portList_->width());
    portList_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    cancel_ = new PaintedButton(this);
    cancel_->setText(QStringLiteral("Cancel"));
    cancel_->setGeometry(units.ToPixels(kCancelBox));
    save_ = new PaintedButton(this);
    save_->setText(QStringLiteral("Save"));
    save_->setGeometry(units.ToPixels(kSaveBox));
    for (PaintedButton* button : {cancel_, save_}) {
        button->SetGradientMode(ToQColor(kButtonFirst), ToQColor(kButtonSecond), true);
        button->SetHandCursor();
        button->SetTextColors(Qt::black, Qt::black, Qt::black);
        button->SetButtonFont(kButtonFontHeight, kButtonFontWeight);
        button->SetTextAlignment(PaintedButton::kSingleCentered);
    }
    connect(cancel_, &QAbstractButton::clicked, this, &FramedDialog::reject);
    connect(save_, &QAbstractButton::clicked, this, &SelectSerialPortDialog::OnSave);
    SetDefaultButton(save_);

    for (int i = 0; std::strstr(kBaudTexts[i], kEndText) == nullptr; ++i) {
        baudList_->insertItem(i, QString::fromLatin1(kBaudTexts[i]));
    }
    for (int number = 1; number <= kListedPorts; ++number) {
        portList_->insertItem(number - 1, PortText(number));
    }
    if constexpr (kNamesNumberedPorts) {
        for (const SerialPortInfo& info : numbered) {
            const std::optional<PortName> name = PortName::Parse(info.devicePath);
            if (name && !name->HasDevice()) {
                portList_->setItemText(name->portNumber - 1,
                                       PortText(name->portNumber) + QStringLiteral("  ") +
                                           QString::fromStdString(info.Description()));
            }
        }
    }
    for (const SerialPortInfo& info : devices_) {
        portList_->addItem(QString::fromStdString(info.Description()),
                           QString::fromStdString(info.devicePath));
    }
    SetSelection(0, std::string(), 0);
}

void SelectSerialPortDialog::SetSelection(int portNumber, const std::string& device,
                                          int baudIndex) {
    portNumber_ = portNumber;
    device_ = device;
    givenBaud_ = baudIndex >= 0 && baudIndex < kBaudCount ? kBaudRates[baudIndex] : kFallbackBaud;
    baud_ = baudIndex;
    int portIndex = -1;
    if (!device.empty()) {
        portIndex = portList_->findData(QString::fromStdString(device));
    } else if (portNumber >= 1 && portNumber <= kListedPorts) {
        portIndex = portNumber - 1;
    }
    portList_->setCurrentIndex(portIndex);
    if (portIndex < 0) {
        // A device that is not listed (a pseudo-terminal) is shown as typed.
        portList_->setEditText(QString::fromStdString(device));
    }
    baudList_->setCurrentIndex(baudIndex >= 0 && baudIndex < kBaudCount ? baudIndex : -1);
}

int SelectSerialPortDialog::BaudIndex(int rate) {
    for (int i = 0; i < kBaudCount; ++i) {
        if (kBaudRates[i] == rate) {
            return i;
        }
    }
    return 0;
}

SelectSerialPortDialog::PortChoice SelectSerialPortDialog::ReadPortChoice() const {
    const QString text = portList_->currentText().trimmed();
    const int index = portList_->findText(text, Qt::MatchExactly);
    const int givenNumber = portNumber_ >= 1 && portNumber_ <= kListedPorts ? portNumber_ : 1;
    if (index >= 0 && index < kListedPorts) {
        return {index + 1, std::string()};
    }
    if (index >= kListedPorts) {
        return {givenNumber, portList_->itemData(index).toString().toStdString()};
    }
    if (std::optional<PortName> typed = PortName::Parse(text.toStdString())) {
        // "3", "COM3", "/dev/ttyUSB0", "ttyACM0": a number picks that port, a device keeps
        // the number it was given as its slot.
        return {typed->HasDevice() ? givenNumber : typed->portNumber, typed->device};
    }
    return {};
}

// Listed devices exist; a typed one (a pseudo-terminal is never listed) is looked for.
bool SelectSerialPortDialog::Exists(const std::string& device) const {
    return QFileInfo::exists(QString::fromStdString(device)) ||
           std::any_of(devices_.begin(), devices_.end(),
                       [&device](const SerialPortInfo& info) { return info.devicePath == device; });
}

void SelectSerialPortDialog::OnSave() {
    const PortChoice port = ReadPortChoice();
    // The device given on opening was kept before; only a newly typed one is questioned.
    if (!port.device.empty() && port.device != device_ && !Exists(port.device)) {
        ConfirmDialog question(this);
        question.SetText(kMissingDeviceQuestion, port.device.c_str());
        if (runner_.Run(question) != ConfirmDialog::kResultYes) {
            return;
        }
    }
    portNumber_ = port.number;
    device_ = port.device;
    const int baudIndex = baudList_->currentIndex();
    baud_ = baudIndex >= 0 ? kBaudRates[baudIndex] : givenBaud_;
    done(kResultOk);
}

void SelectSerialPortDialog::paintEvent(QPaintEvent* event) {
    FramedDialog::paintEvent(event);
    QPainter painter(this);
    PaintSettingsBody(painter, size());
}

}  // namespace quillon
