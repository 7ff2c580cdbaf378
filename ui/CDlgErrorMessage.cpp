#include "ui/CDlgErrorMessage.h"

#include <cstdarg>

#include "controls/CExtendedButton.h"
#include "controls/CExtendedStatic.h"
#include "controls/DialogUnits.h"
#include "controls/FormatLimited.h"
#include "ui/DialogPictures.h"

namespace quillon {

namespace {
constexpr CFramedDialog::Look kErrorLook = {5, 0x00000080, 0x000000FF, 0x0000008B, 0x00FFFFFF,
                                            5, 40,         15,         35};
constexpr ColorRef kOkFirst = 0x000000FF;
constexpr ColorRef kOkSecond = 0x0000008B;
constexpr ColorRef kOkBorder = 0x00000080;
constexpr ColorRef kOkText = 0x0000FFFF;
constexpr ColorRef kResolveTextIn = 0x0000FFFF;
constexpr ColorRef kResolveTextOut = 0x00000080;
constexpr ColorRef kResolveTextFocus = 0x00000080;
constexpr ColorRef kResolveBackIn = 0x000000FF;
constexpr ColorRef kResolveBackOut = 0x00FFFFFF;
constexpr ColorRef kResolveBackFocus = 0x00FFFFFF;
constexpr ColorRef kMessageColor = 0x008B0000;
constexpr ColorRef kFileNameColor = 0x00000080;
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
}  // namespace

CDlgErrorMessage::CDlgErrorMessage(QWidget* parent)
    : CFramedDialog(kErrorLook, parent),
      picture_(new CExtendedButton(this)),
      message1_(new CExtendedStatic(this)),
      message2_(new CExtendedStatic(this)),
      fileStatic_(new CExtendedStatic(this)),
      ok_(new CExtendedButton(this)),
      resolve_(new CExtendedButton(this)) {
    setObjectName(QStringLiteral("CDlgErrorMessage"));
    DressPictureButton(*picture_, DrawErrorPicture());
    DressStatic(*message1_, kStaticFontHeight, kStaticFontWeight, kMessageColor);
    DressStatic(*message2_, kStaticFontHeight, kStaticFontWeight, kMessageColor);
    DressStatic(*fileStatic_, kStaticFontHeight, kStaticFontWeight, kFileNameColor);
    message2_->setText(QStringLiteral("Error Msg 2"));

    ok_->setText(QStringLiteral("OK"));
    DressGradientButton(*ok_, kOkFirst, kOkSecond, kOkBorder, kOkText);
    resolve_->setText(QStringLiteral("How to Resolve"));
    resolve_->SetTextColors(FromColorRef(kResolveTextIn), FromColorRef(kResolveTextOut),
                            FromColorRef(kResolveTextFocus));
    resolve_->SetBackgroundColors(FromColorRef(kResolveBackIn), FromColorRef(kResolveBackOut),
                                  FromColorRef(kResolveBackFocus));
    resolve_->SetTextAlignment(CExtendedButton::kSingleCentered);
    resolve_->SetButtonFont(kResolveFontHeight, QFont::Bold);
    resolve_->SetHandCursor();
    connect(ok_, &QAbstractButton::clicked, this, [this]() { done(kResultOk); });
    connect(resolve_, &QAbstractButton::clicked, this, &CFramedDialog::reject);
    SetDefaultButton(ok_);

    const DialogUnits units(font());
    setFixedSize(units.ToPixelsX(kDialogSize.width()), units.ToPixelsY(kDialogSize.height()));
    picture_->setGeometry(
        QRect(kPicturePixels, QSize(kDialogPictureSize, kDialogPictureSize) + QSize(4, 4)));
    message1_->setGeometry(units.ToPixels(kMessageBox));
    message2_->setGeometry(units.ToPixels(kSecondBox));
    fileStatic_->setGeometry(units.ToPixels(kFileNameBox));
    ok_->setGeometry(units.ToPixels(kOkBox));
    resolve_->setGeometry(units.ToPixels(kResolveBox));
    Refresh();
}

void CDlgErrorMessage::Set(int errorNumber, const char* fileName, const char* format, ...) {
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

void CDlgErrorMessage::SetErrorNumber(int errorNumber) {
    errorNumber_ = errorNumber;
    Refresh();
}

void CDlgErrorMessage::SetFileName(const QString& fileName) {
    fileName_ = CutUtf8(fileName.toUtf8(), kFileNameLimit);
    Refresh();
}

void CDlgErrorMessage::SetMessage(const QString& message) {
    message_ = CutUtf8(message.toUtf8(), kMessageLimit);
    Refresh();
}

void CDlgErrorMessage::Refresh() {
    SetTitleText(QString::asprintf(kTitleFormat, errorNumber_));
    message1_->setText(message_);
    message1_->setHidden(message_.isEmpty());
    message2_->setHidden(true);
    fileStatic_->setText(QString::asprintf(kFileNameFormat, fileName_.toUtf8().constData()));
    fileStatic_->setHidden(fileName_.isEmpty());
}

}  // namespace quillon
