#include "dialogs/SelectSerialPortDialog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <cstdio>
#include <cstring>

#include "controls/DialogUnits.h"
#include "controls/ExtendedButton.h"
#include "controls/TransparentLabel.h"
#include "dialogs/SettingsDialogLook.h"
#include "serial/PortName.h"

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
constexpr int kButtonFontHeight = 13;
constexpr int kButtonFontWeight = 400;
constexpr Rgb kButtonFirst = Rgb(0xFDDD39);
constexpr Rgb kButtonSecond = Rgb(0xFEBF3F);

QString PortText(int number) {
    char text[16];
    std::snprintf(text, sizeof text, kPortFormat, number);
    return QString::fromLatin1(text);
}

QComboBox* MakeList(QWidget* parent, const DialogUnits& units, const QRect& box) {
    auto* list = new QComboBox(parent);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    const QRect place = units.ToPixels(box);
    list->setGeometry(place.x(), place.y(), place.width(), units.ToPixelsY(kListFieldHeight));
    return list;
}

}  // namespace

SelectSerialPortDialog::SelectSerialPortDialog(std::vector<SerialPortInfo> devices, QWidget* parent)
    : FramedDialog(SettingsDialogLook(), parent), devices_(std::move(devices)) {
    setObjectName(QStringLiteral("SelectSerialPortDialog"));
    setFont(QFont(QString::fromLatin1(kFace), kFontPoints));
    SetTitleText(QString::fromLatin1(kTitle));
    const DialogUnits units(font());
    setFixedSize(units.ToPixelsX(kDialogSize.width()), units.ToPixelsY(kDialogSize.height()));

    auto* portLabel = new TransparentLabel(this);
    portLabel->setText(QStringLiteral("Port Num"));
    portLabel->setGeometry(units.ToPixels(kPortLabelBox));
    portList_ = MakeList(this, units, kPortListBox);
    auto* baudLabel = new TransparentLabel(this);
    baudLabel->setText(QStringLiteral("Baud Rate"));
    baudLabel->setGeometry(units.ToPixels(kBaudLabelBox));
    baudList_ = MakeList(this, units, kBaudListBox);
    // The device descriptions are long; the open list may be wider than its field.
    portList_->view()->setMinimumWidth(portList_->width());
    portList_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    cancel_ = new ExtendedButton(this);
    cancel_->setText(QStringLiteral("Cancel"));
    cancel_->setGeometry(units.ToPixels(kCancelBox));
    save_ = new ExtendedButton(this);
    save_->setText(QStringLiteral("Save"));
    save_->setGeometry(units.ToPixels(kSaveBox));
    for (ExtendedButton* button : {cancel_, save_}) {
        button->SetGradientMode(ToQColor(kButtonFirst), ToQColor(kButtonSecond), true);
        button->SetHandCursor();
        button->SetTextColors(Qt::black, Qt::black, Qt::black);
        button->SetButtonFont(kButtonFontHeight, kButtonFontWeight);
        button->SetTextAlignment(ExtendedButton::kSingleCentered);
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
    if (baudList_->currentIndex() < 0) {
        baudList_->setEditText(QString());
    }
}

int SelectSerialPortDialog::BaudIndex(int rate) {
    for (int i = 0; i < kBaudCount; ++i) {
        if (kBaudRates[i] == rate) {
            return i;
        }
    }
    return 0;
}

void SelectSerialPortDialog::ReadPortChoice() {
    const QString text = portList_->currentText().trimmed();
    const int index = portList_->findText(text, Qt::MatchExactly);
    const int givenNumber = portNumber_ >= 1 && portNumber_ <= kListedPorts ? portNumber_ : 1;
    if (index >= 0 && index < kListedPorts) {
        portNumber_ = index + 1;
        device_.clear();
    } else if (index >= kListedPorts) {
        portNumber_ = givenNumber;
        device_ = portList_->itemData(index).toString().toStdString();
    } else if (text.isEmpty()) {
        portNumber_ = 0;
        device_.clear();
    } else if (std::optional<PortName> typed = PortName::Parse(text.toStdString())) {
        // "3", "COM3", "/dev/ttyUSB0", "ttyACM0": a number picks that port, a device keeps
        // the number it was given as its slot.
        portNumber_ = typed->HasDevice() ? givenNumber : typed->portNumber;
        device_ = typed->device;
    } else {
        portNumber_ = 0;
        device_.clear();
    }
}

void SelectSerialPortDialog::ReadBaudChoice() {
    const QString text = baudList_->currentText().trimmed();
    const int index = baudList_->findText(text, Qt::MatchExactly);
    if (index >= 0) {
        baud_ = kBaudRates[index];
        return;
    }
    // A rate typed as a plain number ("57600", "57,600") is taken when the table has it.
    QString digits = text;
    digits.remove(QLatin1Char(','));
    const int typed = digits.section(QLatin1Char(' '), 0, 0).toInt();
    baud_ = BaudIndex(typed) != 0 || typed == kBaudRates[0] ? typed : givenBaud_;
}

void SelectSerialPortDialog::OnSave() {
    ReadPortChoice();
    ReadBaudChoice();
    done(kResultOk);
}

void SelectSerialPortDialog::paintEvent(QPaintEvent* event) {
    FramedDialog::paintEvent(event);
    QPainter painter(this);
    PaintSettingsBody(painter, size());
}

}  // namespace quillon
