#include "dialogs/ErrorMessageDialog.h"

#include <QFontMetrics>
#include <algorithm>
#include <cstdarg>

#include "controls/DialogUnits.h"
#include "controls/FormatLimited.h"
#include "controls/PaintedButton.h"
#include "controls/PaintedLabel.h"
#include "dialogs/DialogPictures.h"
#include "program/ErrorCatalogue.h"

namespace quillon {

namespace {
constexpr FramedDialog::Look kErrorLook = {
    5, Rgb(0x800000), Rgb(0xFF0000), Rgb(0x8B0000), Rgb(0xFFFFFF), 5, 40, 15, 35};
constexpr Rgb kOkFirst = Rgb(0xFF0000);
constexpr Rgb kOkSecond = Rgb(0x8B0000);
constexpr Rgb kOkBorder = Rgb(0x800000);
constexpr Rgb kOkText = Rgb(0xFFFF00);
constexpr Rgb kResolveTextIn = Rgb(0xFFFF00);
constexpr Rgb kResolveTextOut = Rgb(0x800000);
constexpr Rgb kResolveTextFocus = Rgb(0x800000);
constexpr Rgb kResolveBackIn = Rgb(0xFF0000);
constexpr Rgb kResolveBackOut = Rgb(0xFFFFFF);
constexpr Rgb kResolveBackFocus = Rgb(0xFFFFFF);
constexpr Rgb kMessageColor = Rgb(0x00008B);
constexpr Rgb kFileNameColor = Rgb(0x800000);
constexpr int kStaticFontHeight = 14;
constexpr int kStaticFontWeight = 400;
constexpr int kResolveFontHeight = 14;

constexpr QSize kDialogSize(250, 140);
constexpr QRect kMessageBox(42, 26, 198, 44);
constexpr QRect kSecondBox(42, 70, 198, 10);
constexpr QRect kFileNameBox(42, 80, 198, 30);
constexpr QRect kOkBox(40, 114, 70, 18);
constexpr QRect kResolveBox(140, 114, 70, 18);
constexpr QPoint kPicturePixels(14, 50);
constexpr int kUnboundedHeight = 100000;
}  // namespace

ErrorMessageDialog::ErrorMessageDialog(QWidget* parent)
    : FramedDialog(kErrorLook, parent),
      picture_(new PaintedButton(this)),
      message1_(new PaintedLabel(this)),
      message2_(new PaintedLabel(this)),
      fileStatic_(new PaintedLabel(this)),
      ok_(new PaintedButton(this)),
      resolve_(new PaintedButton(this)) {
    setObjectName(QStringLiteral("ErrorMessageDialog"));
    DressPictureButton(*picture_, DrawErrorPicture());
    DressStatic(*message1_, kStaticFontHeight, kStaticFontWeight, kMessageColor);
    DressStatic(*message2_, kStaticFontHeight, kStaticFontWeight, kMessageColor);
    DressStatic(*fileStatic_, kStaticFontHeight, kStaticFontWeight, kFileNameColor);
    message2_->setText(QStringLiteral("Error Msg 2"));
    fileStatic_->SetWrapAnywhere(true);

    ok_->setText(QStringLiteral("OK"));
    DressGradientButton(*ok_, kOkFirst, kOkSecond, kOkBorder, kOkText);
    resolve_->setText(QStringLiteral("How to Resolve"));
    resolve_->SetTextColors(ToQColor(kResolveTextIn), ToQColor(kResolveTextOut),
                            ToQColor(kResolveTextFocus));
    resolve_->SetBackgroundColors(ToQColor(kResolveBackIn), ToQColor(kResolveBackOut),
                                  ToQColor(kResolveBackFocus));
    resolve_->SetTextAlignment(PaintedButton::kSingleCentered);
    resolve_->SetButtonFont(kResolveFontHeight, QFont::Bold);
    resolve_->SetHandCursor();
    connect(ok_, &QAbstractButton::clicked, this, [this]() { done(kResultOk); });
    connect(resolve_, &QAbstractButton::clicked, this, &ErrorMessageDialog::ShowResolution);
    SetDefaultButton(ok_);

    picture_->setGeometry(
        QRect(kPicturePixels, QSize(kDialogPictureSize, kDialogPictureSize) + QSize(4, 4)));
    Refresh();
}

void ErrorMessageDialog::FitMessage() {
    const DialogUnits units(font());
    // How much taller than its box a label must be for the whole text.
    const auto growth = [this](const PaintedLabel& label, const QRect& box, int wrap) {
        const QRect wrapped =
            QFontMetrics(label.font())
                .boundingRect(QRect(0, 0, box.width(), kUnboundedHeight),
                              static_cast<int>(label.alignment()) | wrap, label.text());
        return label.isVisibleTo(this) ? std::max(0, wrapped.height() - box.height()) : 0;
    };
    // Each text that needs more room moves everything below it down.
    int extra = 0;
    const auto place = [&](PaintedLabel& label, const QRect& dialogUnitsBox, int wrap) {
        const QRect box = units.ToPixels(dialogUnitsBox).translated(0, extra);
        const int grown = growth(label, box, wrap);
        label.setGeometry(box.adjusted(0, 0, 0, grown));
        extra += grown;
    };
    place(*message1_, kMessageBox, Qt::TextWordWrap);
    place(*message2_, kSecondBox, Qt::TextWordWrap);
    place(*fileStatic_, kFileNameBox, Qt::TextWrapAnywhere);
    setFixedSize(units.ToPixelsX(kDialogSize.width()),
                 units.ToPixelsY(kDialogSize.height()) + extra);
    ok_->setGeometry(units.ToPixels(kOkBox).translated(0, extra));
    resolve_->setGeometry(units.ToPixels(kResolveBox).translated(0, extra));
}

void ErrorMessageDialog::Set(int errorNumber, const char* fileName, const char* format, ...) {
    errorNumber_ = errorNumber;
    if (fileName != nullptr) {
        fileName_ = CutUtf8(QByteArray(fileName), kFileNameLimit);
    }
    va_list args;
    va_start(args, format);
    const auto message = FormatLimitedV(kMessageLimit, format, args);
    va_end(args);
    if (message) {
        message_ = *message;
    }
    Refresh();
}

void ErrorMessageDialog::SetErrorNumber(int errorNumber) {
    errorNumber_ = errorNumber;
    Refresh();
}

void ErrorMessageDialog::SetFileName(const QString& fileName) {
    fileName_ = CutUtf8(fileName.toUtf8(), kFileNameLimit);
    Refresh();
}

void ErrorMessageDialog::SetMessage(const QString& message) {
    message_ = CutUtf8(message.toUtf8(), kMessageLimit);
    Refresh();
}

void ErrorMessageDialog::ShowResolution() {
    const NumberedError* entry = FindError(errorNumber_);
    if (entry == nullptr) {
        return;
    }
    resolution_ = QString::fromUtf8(entry->resolution);
    resolve_->setEnabled(false);  // all there is to say is said
    Refresh();
}

void ErrorMessageDialog::Refresh() {
    SetTitleText(QString::asprintf(kTitleFormat, errorNumber_));
    message1_->setText(message_);
    message1_->setHidden(message_.isEmpty());
    message2_->setText(resolution_);
    message2_->setHidden(resolution_.isEmpty());
    resolve_->setHidden(FindError(errorNumber_) == nullptr);
    fileStatic_->setText(QString::asprintf(kFileNameFormat, fileName_.toUtf8().constData()));
    fileStatic_->setHidden(fileName_.isEmpty());
    FitMessage();
}

}  // namespace quillon
