#include "dialogs/RuntimeParametersDialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <cstdlib>

#include "controls/DialogUnits.h"
#include "controls/PaintedButton.h"
#include "controls/PaintedCheckBox.h"
#include "controls/TransparentLabel.h"
#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/FilePicker.h"
#include "dialogs/SettingsDialogLook.h"
#include "dialogs/SettingsPictures.h"
#include "dialogs/SoundPreview.h"
#include "settings/SettingsKeys.h"

namespace quillon {

namespace {

constexpr const char* kEndMarker = "END!!!";
constexpr const char* const kControlTexts[] = {"1 - Once", "2 - twice", "3 times", "4 times",
                                               "5 times",  "6 times",   kEndMarker};
constexpr const char* const kDataTexts[] = {"1 - Once", "2 - twice", "3 times", "4 times",
                                            kEndMarker};
constexpr const char* const kWaitTexts[] = {"3 seconds", "4 seconds", "5 seconds", "6 seconds",
                                            "7 seconds", "8 seconds", kEndMarker};
constexpr const char* const kDelayTexts[] = {
    "45 seconds",  "50 seconds",  "55 seconds",  "60 seconds",  "70 seconds",
    "80 seconds",  "90 seconds",  "100 seconds", "110 seconds", "120 seconds",
    "150 seconds", "180 seconds", kEndMarker};

// How a stored value that no entry of a list stands for is shown when it is added to the list.
constexpr const char* kTimesFormat = "%1 times";
constexpr const char* kSecondsFormat = "%1 seconds";
constexpr std::size_t kEditedPathLimit = 257;
constexpr int kShortestPlayablePath = 5;

constexpr QSize kDialogSize(274, 229);
constexpr int kFontPoints = 10;
constexpr const char* kFace = "Arial";

constexpr Rgb kOkFirst = Rgb(0xFDDD39);
constexpr Rgb kOkSecond = Rgb(0xFEBF3F);
constexpr Rgb kDefaultsFirst = Rgb(0x90EE90);
constexpr Rgb kDefaultsSecond = Rgb(0x008000);
constexpr Rgb kBlack = Rgb(0x000000);

struct LabelPlace {
    const char* text;
    QRect box;
};
constexpr LabelPlace kLabels[] = {
    {"ReXmit Control Packets", QRect(16, 30, 98, 13)},
    {"ReXmit Data Packets", QRect(16, 46, 98, 13)},
    {"Max Wait for HBD Response", QRect(16, 68, 98, 13)},
    {"Min Wait between Uploads", QRect(16, 86, 98, 13)},
    {"Sound, Successful Upload", QRect(16, 103, 98, 13)},
    {"Sound, Failed Upload", QRect(16, 120, 98, 13)},
    {"Sound, after All Uploads", QRect(16, 136, 98, 13)},
};
constexpr QRect kControlBox(113, 27, 63, 113);
constexpr QRect kDataBox(113, 43, 63, 113);
constexpr QRect kWaitBox(113, 64, 63, 113);
constexpr QRect kDelayBox(113, 80, 63, 113);
// Edit box tops of the successful, failed and all-uploads rows; buttons sit 4 units lower.
constexpr int kSoundEditTops[] = {97, 114, 131};
constexpr int kSoundEditLeft = 113;
constexpr QSize kSoundEditSize(111, 14);
constexpr int kBrowseLeft = 225;
constexpr int kClearLeft = 239;
constexpr int kPlayLeft = 253;
constexpr int kRowButtonDrop = 4;
constexpr QSize kRowButtonSize(14, 10);
constexpr QRect kKx2Box(11, 153, 77, 10);
constexpr QRect kTamarackBox(11, 165, 128, 10);
constexpr QRect kLogMessagesBox(11, 177, 77, 10);
constexpr QRect kShowSerialBox(113, 177, 77, 10);
constexpr QRect kValidateBox(11, 189, 87, 10);
constexpr QRect kLogSerialBox(113, 189, 77, 10);
constexpr QRect kAllowAbortBox(113, 153, 77, 10);
constexpr QRect kDefaultsBox(25, 208, 50, 14);
constexpr QRect kCancelBox(104, 208, 50, 14);
constexpr QRect kOkBox(182, 208, 50, 14);

// Fills a list from its table up to the entry that begins with 'E' (the end marker). Every entry
// stands for the number its text begins with ("2 - twice", "45 seconds"), kept as its data; an
// entry outside the key's range is not offered.
void FillList(QComboBox& list, const char* const* table, const settings::IntKey& key) {
    for (int i = 0; table[i][0] != 'E'; ++i) {
        const int value = std::atoi(table[i]);
        if (key.InRange(value)) {
            list.addItem(QString::fromLatin1(table[i]), value);
        }
    }
}

// Selects the entry of the value a run takes from stored. A value in range that no entry stands
// for gets an entry of its own, in order, so the dialog shows it and OK keeps it.
void Select(QComboBox& list, const settings::IntKey& key, int stored, const char* format) {
    const int value = key.InEffect(stored);
    int index = list.findData(value);
    if (index < 0) {
        index = 0;
        while (index < list.count() && list.itemData(index).toInt() < value) {
            ++index;
        }
        list.insertItem(index, QString::fromLatin1(format).arg(value), value);
    }
    list.setCurrentIndex(index);
}

// The value of the chosen entry, never one outside the key's range.
int Chosen(const QComboBox& list, const settings::IntKey& key) {
    return key.InEffect(list.currentData().toInt());
}

std::string EditedPath(const QLineEdit& edit) {
    return edit.text().toStdString().substr(0, kEditedPathLimit);
}

}  // namespace

RuntimeParametersDialog::RuntimeParametersDialog(ProgramState& state, DialogRunner& runner,
                                                 FilePicker& picker, SoundPreview& sounds,
                                                 QWidget* parent)
    : FramedDialog(SettingsDialogLook(), parent),
      state_(state),
      runner_(runner),
      picker_(picker),
      sounds_(sounds),
      ini_(state.IniPath()) {
    setObjectName(QStringLiteral("RuntimeParametersDialog"));
    setFont(QFont(QString::fromLatin1(kFace), kFontPoints));
    SetTitleText(QString::fromLatin1(kTitle));
    BuildControls();
    DressControls();
    LoadSettings(false);
    ShowSettings();
    UpdatePlayButtons();
}

void RuntimeParametersDialog::BuildControls() {
    const DialogUnits units(font());
    setFixedSize(units.ToPixelsX(kDialogSize.width()), units.ToPixelsY(kDialogSize.height()));
    for (const LabelPlace& place : kLabels) {
        auto* label = new TransparentLabel(this);
        label->setText(QString::fromLatin1(place.text));
        label->setGeometry(units.ToPixels(place.box));
    }
    const struct {
        QComboBox** list;
        const char* const* table;
        const settings::IntKey& key;
        QRect box;
    } lists[] = {{&controlList_, kControlTexts, settings::kRetransmitControl, kControlBox},
                 {&dataList_, kDataTexts, settings::kRetransmitData, kDataBox},
                 {&waitList_, kWaitTexts, settings::kWaitForResponse, kWaitBox},
                 {&delayList_, kDelayTexts, settings::kDelayAfterFile, kDelayBox}};
    for (const auto& entry : lists) {
        // Pick-only: a typed value could be one no run takes.
        *entry.list = new QComboBox(this);
        FillList(**entry.list, entry.table, entry.key);
        // The template's height is that of the dropped list; the field is one line.
        const QRect box = units.ToPixels(entry.box);
        (*entry.list)->setGeometry(box.x(), box.y(), box.width(), units.ToPixelsY(13));
    }
    for (int sound = 0; sound < kSoundCount; ++sound) {
        BuildSoundRow(static_cast<Sound>(sound), kSoundEditTops[sound]);
    }
    const struct {
        PaintedCheckBox** box;
        const char* text;
        QRect place;
    } checks[] = {{&kx2Check_, "Load KX2 Files", kKx2Box},
                  {&tamarackCheck_, "Tamarack Line, Disable Speech ", kTamarackBox},
                  {&logMessagesCheck_, "Log Messages", kLogMessagesBox},
                  {&showSerialCheck_, "Show Serial View", kShowSerialBox},
                  {&validateCheck_, "Validate Selected Files", kValidateBox},
                  {&logSerialCheck_, "Log Serial Data", kLogSerialBox},
                  {&allowAbortCheck_, "Allow Abort", kAllowAbortBox}};
    for (const auto& entry : checks) {
        *entry.box = new PaintedCheckBox(this);
        (*entry.box)->setText(QString::fromLatin1(entry.text));
        (*entry.box)->setGeometry(units.ToPixels(entry.place));
    }
    const struct {
        PaintedButton** button;
        const char* text;
        QRect place;
    } buttons[] = {{&defaults_, "Use Defaults", kDefaultsBox},
                   {&cancel_, "Cancel", kCancelBox},
                   {&ok_, "OK", kOkBox}};
    for (const auto& entry : buttons) {
        *entry.button = new PaintedButton(this);
        (*entry.button)->setText(QString::fromLatin1(entry.text));
        (*entry.button)->setGeometry(units.ToPixels(entry.place));
    }
    connect(defaults_, &QAbstractButton::clicked, this, &RuntimeParametersDialog::OnUseDefaults);
    connect(cancel_, &QAbstractButton::clicked, this, &FramedDialog::reject);
    connect(ok_, &QAbstractButton::clicked, this, &RuntimeParametersDialog::OnOk);
    SetDefaultButton(ok_);
}

void RuntimeParametersDialog::BuildSoundRow(Sound sound, int top) {
    const DialogUnits units(font());
    SoundRow& row = rows_.at(sound);
    row.edit = new QLineEdit(this);
    row.edit->setGeometry(units.ToPixels(QRect(QPoint(kSoundEditLeft, top), kSoundEditSize)));
    const int buttonTop = top + kRowButtonDrop;
    const struct {
        PaintedButton** button;
        int left;
    } buttons[] = {{&row.browse, kBrowseLeft}, {&row.clear, kClearLeft}, {&row.play, kPlayLeft}};
    for (const auto& entry : buttons) {
        *entry.button = new PaintedButton(this);
        (*entry.button)
            ->setGeometry(units.ToPixels(QRect(QPoint(entry.left, buttonTop), kRowButtonSize)));
    }
    connect(row.browse, &QAbstractButton::clicked, this, [this, sound]() { OnBrowse(sound); });
    connect(row.clear, &QAbstractButton::clicked, this, [this, sound]() { OnClear(sound); });
    connect(row.play, &QAbstractButton::clicked, this, [this, sound]() { OnPlay(sound); });
}

void RuntimeParametersDialog::DressControls() {
    // Today's desktops draw check boxes over the dialog's gradient, so the switches show
    // the body through them as the newer systems did.
    for (PaintedCheckBox* box :
         {logMessagesCheck_, logSerialCheck_, showSerialCheck_, validateCheck_, allowAbortCheck_}) {
        box->SetTransparent(true);
    }
    for (SoundRow& row : rows_) {
        const struct {
            PaintedButton* button;
            QImage (*draw)(const QSize&);
        } pictures[] = {{row.browse, DrawBrowsePicture},
                        {row.play, DrawPlayPicture},
                        {row.clear, DrawClearPicture}};
        for (const auto& entry : pictures) {
            entry.button->setText(QString());
            entry.button->SetTextColors(Qt::black, Qt::black, Qt::black);
            entry.button->SetBackgroundColors(Qt::white, Qt::white, Qt::white);
            entry.button->SetFlat(true);
            const QImage picture = entry.draw(entry.button->size() - QSize(4, 4));
            entry.button->SetBitmaps(picture, Qt::white, picture, Qt::white);
        }
    }
    for (PaintedButton* button : {ok_, cancel_}) {
        button->SetHandCursor();
        button->SetGradientMode(ToQColor(kOkFirst), ToQColor(kOkSecond), true);
        button->SetTextColors(Qt::black, Qt::black, Qt::black);
        button->SetTextAlignment(PaintedButton::kSingleCentered);
    }
    defaults_->SetHandCursor();
    defaults_->SetGradientMode(ToQColor(kDefaultsFirst), ToQColor(kDefaultsSecond), true);
    const QColor black = ToQColor(kBlack);
    defaults_->SetTextColors(black, black, black);
    defaults_->SetTextAlignment(PaintedButton::kSingleCentered);
}

void RuntimeParametersDialog::LoadSettings(bool factory) {
    const auto number = [this, factory](const settings::IntKey& key) {
        return factory ? settings::FactoryValue(key) : settings::Read(ini_, key);
    };
    // The factory reset leaves no sounds.
    const auto text = [this, factory](const settings::StringKey& key) {
        return factory ? std::string() : settings::Read(ini_, key);
    };
    rows_[kSoundAll].path = text(settings::kSoundCompleted);
    rows_[kSoundSuccess].path = text(settings::kSoundPostSuccess);
    rows_[kSoundFailed].path = text(settings::kSoundFailed);
    logSerialData_ = number(settings::kLogSerialData) != 0;
    logMessages_ = number(settings::kLogMessages) != 0;
    showSerialView_ = number(settings::kShowSerialView) != 0;
    validateFiles_ = number(settings::kValidateFiles) != 0;
    allowAbort_ = number(settings::kAllowAbort) != 0;
    controlRetransmits_ = number(settings::kRetransmitControl);
    dataRetransmits_ = number(settings::kRetransmitData);
    waitSeconds_ = number(settings::kWaitForResponse);
    delaySeconds_ = number(settings::kDelayAfterFile);
    isKx2_ = number(settings::kIsKx2) != 0;
    tamarackLine_ = number(settings::kTamarackLine) != 0;
    if (!factory) {
        // The mode flags follow the file whenever it is read, whatever the user then presses.
        state_.isKx2 = isKx2_;
        state_.tamarackLine = tamarackLine_;
    }
}

void RuntimeParametersDialog::ShowSettings() {
    logMessagesCheck_->setChecked(logMessages_);
    logSerialCheck_->setChecked(logSerialData_);
    showSerialCheck_->setChecked(showSerialView_);
    validateCheck_->setChecked(validateFiles_);
    allowAbortCheck_->setChecked(allowAbort_);
    kx2Check_->setChecked(isKx2_);
    tamarackCheck_->setChecked(tamarackLine_);
    Select(*waitList_, settings::kWaitForResponse, waitSeconds_, kSecondsFormat);
    Select(*delayList_, settings::kDelayAfterFile, delaySeconds_, kSecondsFormat);
    Select(*controlList_, settings::kRetransmitControl, controlRetransmits_, kTimesFormat);
    Select(*dataList_, settings::kRetransmitData, dataRetransmits_, kTimesFormat);
    for (SoundRow& row : rows_) {
        row.edit->setText(QString::fromStdString(row.path));
    }
}

void RuntimeParametersDialog::SaveSettings() {
    if (resetOnOk_) {
        // Whatever the factory settings leave out (port, remembered files) goes now.
        settings::FactoryReset(ini_);
    }
    settings::Write(ini_, settings::kSoundCompleted, rows_[kSoundAll].path);
    settings::Write(ini_, settings::kSoundPostSuccess, rows_[kSoundSuccess].path);
    settings::Write(ini_, settings::kSoundFailed, rows_[kSoundFailed].path);
    settings::Write(ini_, settings::kLogSerialData, logSerialData_ ? 1 : 0);
    settings::Write(ini_, settings::kLogMessages, logMessages_ ? 1 : 0);
    settings::Write(ini_, settings::kShowSerialView, showSerialView_ ? 1 : 0);
    settings::Write(ini_, settings::kValidateFiles, validateFiles_ ? 1 : 0);
    settings::Write(ini_, settings::kRetransmitControl, controlRetransmits_);
    settings::Write(ini_, settings::kRetransmitData, dataRetransmits_);
    settings::Write(ini_, settings::kWaitForResponse, waitSeconds_);
    settings::Write(ini_, settings::kDelayAfterFile, delaySeconds_);
    settings::Write(ini_, settings::kTamarackLine, state_.tamarackLine ? 1 : 0);
    settings::Write(ini_, settings::kIsKx2, state_.isKx2 ? 1 : 0);
    settings::Write(ini_, settings::kAllowAbort, allowAbort_ ? 1 : 0);
}

void RuntimeParametersDialog::UpdatePlayButtons() {
    for (SoundRow& row : rows_) {
        row.play->setEnabled(!row.path.empty());
    }
}

void RuntimeParametersDialog::OnBrowse(Sound sound) {
    const FilePicker::Request request{
        QString(),
        FilePicker::ConvertFilter(QStringLiteral("Wave files (*.wav)|*.wav|All files (*.*)|*.*||")),
        QStringLiteral("wav")};
    const std::optional<QString> chosen = picker_.PickOpenFile(this, request);
    if (!chosen) {
        return;
    }
    SoundRow& row = rows_.at(sound);
    row.path = chosen->toStdString();
    row.edit->setText(*chosen);
    UpdatePlayButtons();
}

void RuntimeParametersDialog::OnClear(Sound sound) {
    SoundRow& row = rows_.at(sound);
    row.edit->clear();
    row.path.clear();
    UpdatePlayButtons();
}

void RuntimeParametersDialog::OnPlay(Sound sound) {
    SoundRow& row = rows_.at(sound);
    row.path = EditedPath(*row.edit);
    if (static_cast<int>(row.path.size()) < kShortestPlayablePath) {
        row.play->setEnabled(false);
        return;
    }
    // The dialog waits for the sound as before; no second click can start another meanwhile.
    setEnabled(false);
    sounds_.PlayAndWait(row.path);
    setEnabled(true);
}

void RuntimeParametersDialog::OnUseDefaults() {
    ConfirmDialog confirm(this);
    confirm.SetText("%s", kDefaultsQuestion);
    if (runner_.Run(confirm) != ConfirmDialog::kResultYes) {
        return;
    }
    resetOnOk_ = true;
    LoadSettings(true);
    ShowSettings();
    UpdatePlayButtons();
}

void RuntimeParametersDialog::OnOk() {
    state_.isKx2 = kx2Check_->isChecked();
    state_.tamarackLine = tamarackCheck_->isChecked();
    logMessages_ = logMessagesCheck_->isChecked();
    logSerialData_ = logSerialCheck_->isChecked();
    showSerialView_ = showSerialCheck_->isChecked();
    validateFiles_ = validateCheck_->isChecked();
    allowAbort_ = allowAbortCheck_->isChecked();
    waitSeconds_ = Chosen(*waitList_, settings::kWaitForResponse);
    delaySeconds_ = Chosen(*delayList_, settings::kDelayAfterFile);
    controlRetransmits_ = Chosen(*controlList_, settings::kRetransmitControl);
    dataRetransmits_ = Chosen(*dataList_, settings::kRetransmitData);
    rows_[kSoundAll].path = EditedPath(*rows_[kSoundAll].edit);
    rows_[kSoundFailed].path = EditedPath(*rows_[kSoundFailed].edit);
    rows_[kSoundSuccess].path = EditedPath(*rows_[kSoundSuccess].edit);
    SaveSettings();
    done(kResultOk);
}

void RuntimeParametersDialog::paintEvent(QPaintEvent* event) {
    FramedDialog::paintEvent(event);
    QPainter painter(this);
    PaintSettingsBody(painter, size());
}

}  // namespace quillon
