#include "dialogs/ConfirmDialog.h"

#include "controls/DialogUnits.h"
#include "controls/PaintedButton.h"
#include "controls/PaintedLabel.h"
#include "dialogs/DialogPictures.h"

namespace quillon {

namespace {
constexpr FramedDialog::Look kConfirmLook = {
    5, Rgb(0x800080), Rgb(0xFDDD39), Rgb(0xFEBF3F), Rgb(0x00008B), 5, 40, 15, 35};
constexpr Rgb kButtonFirst = Rgb(0xFDDD39);
constexpr Rgb kButtonSecond = Rgb(0xFEBF3F);
constexpr Rgb kButtonBorder = Rgb(0x800000);
constexpr Rgb kYesText = Rgb(0x000000);
constexpr Rgb kNoText = Rgb(0x00008B);
constexpr Rgb kMessageColor = Rgb(0x00008B);
constexpr int kMessageFontHeight = 14;
constexpr int kMessageFontWeight = 400;

// Layout in dialog units, as a dialog template would give it.
constexpr QSize kDialogSize(230, 124);
constexpr QRect kTextBox(42, 26, 178, 62);
constexpr QRect kYesBox(40, 98, 60, 18);
constexpr QRect kNoBox(130, 98, 60, 18);
constexpr QPoint kPicturePixels(14, 50);
constexpr QSize kSingleButtonSize(120, 50);
constexpr int kSingleButtonAboveBottom = 70;
}  // namespace

ConfirmDialog::ConfirmDialog(QWidget* parent)
    : FramedDialog(kConfirmLook, parent),
      FormattedText(kTextLimit),
      picture_(new PaintedButton(this)),
      text_(new PaintedLabel(this)),
      yes_(new PaintedButton(this)),
      no_(new PaintedButton(this)) {
    setObjectName(QStringLiteral("ConfirmDialog"));
    SetTitleText(QString::fromLatin1(kTitle));
    DressPictureButton(*picture_, DrawConfirmPicture());
    DressStatic(*text_, kMessageFontHeight, kMessageFontWeight, kMessageColor);
    yes_->setText(QStringLiteral("YES"));
    no_->setText(QStringLiteral("NO"));
    DressGradientButton(*yes_, kButtonFirst, kButtonSecond, kButtonBorder, kYesText);
    DressGradientButton(*no_, kButtonFirst, kButtonSecond, kButtonBorder, kNoText);
    connect(yes_, &QAbstractButton::clicked, this, [this]() { done(kResultYes); });
    connect(no_, &QAbstractButton::clicked, this, [this]() { done(kResultNo); });
    SetDefaultButton(no_);

    const DialogUnits units(font());
    setFixedSize(units.ToPixelsX(kDialogSize.width()), units.ToPixelsY(kDialogSize.height()));
    Arrange();
}

void ConfirmDialog::ShowText(const QString& text) {
    text_->setText(text);
}

QString ConfirmDialog::Text() const {
    return text_->text();
}

void ConfirmDialog::SetSingleButton(bool single) {
    singleButton_ = single;
    Arrange();
}

void ConfirmDialog::resizeEvent(QResizeEvent* event) {
    FramedDialog::resizeEvent(event);
    Arrange();
}

void ConfirmDialog::Arrange() {
    const DialogUnits units(font());
    picture_->setGeometry(
        QRect(kPicturePixels, QSize(kDialogPictureSize, kDialogPictureSize) + QSize(4, 4)));
    text_->setGeometry(units.ToPixels(kTextBox));
    no_->setVisible(!singleButton_);
    if (singleButton_) {
        yes_->setText(QStringLiteral("OK"));
        yes_->setGeometry(QRect(
            QPoint((width() - kSingleButtonSize.width()) / 2, height() - kSingleButtonAboveBottom),
            kSingleButtonSize));
        SetDefaultButton(yes_);
        no_->SetDefaultButton(false);
    } else {
        yes_->setText(QStringLiteral("YES"));
        yes_->setGeometry(units.ToPixels(kYesBox));
        no_->setGeometry(units.ToPixels(kNoBox));
        yes_->SetDefaultButton(false);
        SetDefaultButton(no_);
    }
}

}  // namespace quillon
