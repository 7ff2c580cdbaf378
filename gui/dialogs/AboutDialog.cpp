#include "dialogs/AboutDialog.h"

#include "controls/DialogUnits.h"
#include "controls/PaintedButton.h"
#include "controls/PaintedLabel.h"
#include "program/Version.h"

namespace quillon {

namespace {
constexpr FramedDialog::Look kAboutLook = {
    7, Rgb(0x800080), Rgb(0xFDDD39), Rgb(0xFEBF3F), Rgb(0x000000), 8, 50, 8, 50};
constexpr Rgb kOkFirst = Rgb(0xFDDD39);
constexpr Rgb kOkSecond = Rgb(0xFEBF3F);
constexpr Rgb kOkBorder = Rgb(0xFEBF3F);
constexpr Rgb kOkText = Rgb(0x000000);
constexpr int kOkFontHeight = 13;
constexpr int kOkFontWeight = 400;
constexpr Rgb kProgramInfoColor = Rgb(0x00008B);
constexpr Rgb kMakerColor = Rgb(0x000000);
constexpr int kProgramInfoFontHeight = 13;
constexpr int kProgramInfoFontWeight = 700;
constexpr int kMakerFontHeight = 13;
constexpr int kMakerFontWeight = 400;

constexpr const char* kMakerName = "Corvane Signal Works";
constexpr const char* kMakerLine1 = "Field Systems Support Desk";
constexpr const char* kMakerLine2 = "41 Roundhouse Lane, Unit 3, Linden Yard";
constexpr const char* kMakerLine3 = "Phone: +1 555 0147 2600";
constexpr const char* kMakerLine4 = "Fax:   +1 555 0147 2601";
constexpr const char* kMakerLine5 = "support@corvane-signal.example";

constexpr QSize kDialogSize(240, 176);
constexpr QRect kProgramInfoBox(12, 34, 216, 34);
constexpr QRect kMakerInfoBox(12, 72, 216, 74);
constexpr QRect kOkBox(85, 152, 70, 16);
}  // namespace

QString AboutDialog::BuildText() {
    return QString::asprintf(kBuildFormat, __DATE__, __TIME__);
}

QString AboutDialog::MakerText() {
    return QString::asprintf(kMakerFormat, kMakerName, kMakerLine1, kMakerLine2, kMakerLine3,
                             kMakerLine4, kMakerLine5);
}

AboutDialog::AboutDialog(const ProgramState& state, QWidget* parent)
    : FramedDialog(kAboutLook, parent),
      programInfo_(new PaintedLabel(this)),
      makerInfo_(new PaintedLabel(this)),
      ok_(new PaintedButton(this)) {
    setObjectName(QStringLiteral("AboutDialog"));
    SetTitleText(QString::asprintf(kTitleFormat, kVersionMajor, kVersionMinor,
                                   BuildText().toUtf8().constData()));

    DressStatic(*programInfo_, kProgramInfoFontHeight, kProgramInfoFontWeight, kProgramInfoColor);
    programInfo_->setText(QString::asprintf(kProgramInfoFormat, state.osVersionText.c_str()));
    DressStatic(*makerInfo_, kMakerFontHeight, kMakerFontWeight, kMakerColor);
    makerInfo_->setText(MakerText());

    ok_->setText(QStringLiteral("OK"));
    DressGradientButton(*ok_, kOkFirst, kOkSecond, kOkBorder, kOkText);
    ok_->SetButtonFont(kOkFontHeight, kOkFontWeight);
    connect(ok_, &QAbstractButton::clicked, this, [this]() { done(kResultOk); });
    SetDefaultButton(ok_);

    const DialogUnits units(font());
    setFixedSize(units.ToPixelsX(kDialogSize.width()), units.ToPixelsY(kDialogSize.height()));
    programInfo_->setGeometry(units.ToPixels(kProgramInfoBox));
    makerInfo_->setGeometry(units.ToPixels(kMakerInfoBox));
    ok_->setGeometry(units.ToPixels(kOkBox));
}

}  // namespace quillon
