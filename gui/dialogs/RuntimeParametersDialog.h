// The Runtime Parameters dialog: retransmits, waits, the three sounds, the logging, view,
// validation and abort switches and the KX2 and Tamarack Line modes, read from Quillon.ini each
// time it opens and written back on OK. The four lists are pick-only and offer only values inside
// their keys' ranges; a stored value the list lacks is shown as the value a run uses (added to
// the list when it is in range), so OK never stores a value a run would not take. "Use Defaults"
// (after a confirmation) only fills the dialog with the factory values: the file is reset on OK,
// and Cancel leaves it as it was. Write failures are not reported (the next read shows what the
// file holds).
#pragma once

#include <QString>
#include <array>
#include <string>

#include "dialogs/FramedDialog.h"
#include "program/ProgramState.h"
#include "settings/IniFile.h"

class QComboBox;
class QLineEdit;

namespace quillon {

class PaintedButton;
class PaintedCheckBox;
class DialogRunner;
class FilePicker;
class SoundPreview;

class RuntimeParametersDialog : public FramedDialog {
    Q_OBJECT

  public:
    enum Sound { kSoundSuccess, kSoundFailed, kSoundAll, kSoundCount };

    static constexpr const char* kTitle = "Runtime Parameters";
    static constexpr const char* kDefaultsQuestion = "Are you sure?\n\nLoad factory defaults?";

    // The dialog reads and sets the mode flags of state; dialogs and pickers go through the
    // seams given.
    RuntimeParametersDialog(ProgramState& state, DialogRunner& runner, FilePicker& picker,
                            SoundPreview& sounds, QWidget* parent = nullptr);

    // The "Validate Files" choice, for the main window after OK.
    bool ValidateFiles() const { return validateFiles_; }

    QComboBox* ControlRetransmits() const { return controlList_; }
    QComboBox* DataRetransmits() const { return dataList_; }
    QComboBox* WaitList() const { return waitList_; }
    QComboBox* DelayList() const { return delayList_; }
    QLineEdit* SoundEdit(Sound sound) const { return rows_.at(sound).edit; }
    PaintedButton* BrowseButton(Sound sound) const { return rows_.at(sound).browse; }
    PaintedButton* ClearButton(Sound sound) const { return rows_.at(sound).clear; }
    PaintedButton* PlayButton(Sound sound) const { return rows_.at(sound).play; }
    PaintedCheckBox* Kx2Check() const { return kx2Check_; }
    PaintedCheckBox* TamarackCheck() const { return tamarackCheck_; }
    PaintedCheckBox* LogMessagesCheck() const { return logMessagesCheck_; }
    PaintedCheckBox* ShowSerialCheck() const { return showSerialCheck_; }
    PaintedCheckBox* ValidateCheck() const { return validateCheck_; }
    PaintedCheckBox* LogSerialCheck() const { return logSerialCheck_; }
    PaintedCheckBox* AllowAbortCheck() const { return allowAbortCheck_; }
    PaintedButton* DefaultsButton() const { return defaults_; }
    PaintedButton* CancelButton() const { return cancel_; }
    PaintedButton* OkButton() const { return ok_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct SoundRow {
        QLineEdit* edit = nullptr;
        PaintedButton* browse = nullptr;
        PaintedButton* clear = nullptr;
        PaintedButton* play = nullptr;
        std::string path;
    };

    void BuildControls();
    void BuildSoundRow(Sound sound, int top);
    void DressControls();
    // From the file, or the values the file holds after a factory reset.
    void LoadSettings(bool factory);
    void ShowSettings();
    void SaveSettings();
    void UpdatePlayButtons();
    void OnBrowse(Sound sound);
    void OnClear(Sound sound);
    void OnPlay(Sound sound);
    void OnUseDefaults();
    void OnOk();

    ProgramState& state_;
    DialogRunner& runner_;
    FilePicker& picker_;
    SoundPreview& sounds_;
    IniFile ini_;

    bool logSerialData_ = false;
    bool logMessages_ = true;
    bool showSerialView_ = false;
    bool validateFiles_ = true;
    bool allowAbort_ = false;
    bool isKx2_ = true;
    bool tamarackLine_ = false;
    // The factory values are shown; OK resets the file before it stores them.
    bool resetOnOk_ = false;
    int controlRetransmits_ = 4;
    int dataRetransmits_ = 1;
    int waitSeconds_ = 6;
    int delaySeconds_ = 60;

    QComboBox* controlList_ = nullptr;
    QComboBox* dataList_ = nullptr;
    QComboBox* waitList_ = nullptr;
    QComboBox* delayList_ = nullptr;
    std::array<SoundRow, kSoundCount> rows_{};
    PaintedCheckBox* kx2Check_ = nullptr;
    PaintedCheckBox* tamarackCheck_ = nullptr;
    PaintedCheckBox* logMessagesCheck_ = nullptr;
    PaintedCheckBox* showSerialCheck_ = nullptr;
    PaintedCheckBox* validateCheck_ = nullptr;
    PaintedCheckBox* logSerialCheck_ = nullptr;
    PaintedCheckBox* allowAbortCheck_ = nullptr;
    PaintedButton* defaults_ = nullptr;
    PaintedButton* cancel_ = nullptr;
    PaintedButton* ok_ = nullptr;
};

}  // namespace quillon
