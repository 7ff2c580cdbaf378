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

class ExtendedButton;
class ExtendedCheckBox;
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
    ExtendedButton* BrowseButton(Sound sound) const { return rows_.at(sound).browse; }
    ExtendedButton* ClearButton(Sound sound) const { return rows_.at(sound).clear; }
    ExtendedButton* PlayButton(Sound sound) const { return rows_.at(sound).play; }
    ExtendedCheckBox* Kx2Check() const { return kx2Check_; }
    ExtendedCheckBox* TamarackCheck() const { return tamarackCheck_; }
    ExtendedCheckBox* LogMessagesCheck() const { return logMessagesCheck_; }
    ExtendedCheckBox* ShowSerialCheck() const { return showSerialCheck_; }
    ExtendedCheckBox* ValidateCheck() const { return validateCheck_; }
    ExtendedCheckBox* LogSerialCheck() const { return logSerialCheck_; }
    ExtendedCheckBox* AllowAbortCheck() const { return allowAbortCheck_; }
    ExtendedButton* DefaultsButton() const { return defaults_; }
    ExtendedButton* CancelButton() const { return cancel_; }
    ExtendedButton* OkButton() const { return ok_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct SoundRow {
        QLineEdit* edit = nullptr;
        ExtendedButton* browse = nullptr;
        ExtendedButton* clear = nullptr;
        ExtendedButton* play = nullptr;
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
    ExtendedCheckBox* kx2Check_ = nullptr;
    ExtendedCheckBox* tamarackCheck_ = nullptr;
    ExtendedCheckBox* logMessagesCheck_ = nullptr;
    ExtendedCheckBox* showSerialCheck_ = nullptr;
    ExtendedCheckBox* validateCheck_ = nullptr;
    ExtendedCheckBox* logSerialCheck_ = nullptr;
    ExtendedCheckBox* allowAbortCheck_ = nullptr;
    ExtendedButton* defaults_ = nullptr;
    ExtendedButton* cancel_ = nullptr;
    ExtendedButton* ok_ = nullptr;
};

}  // namespace quillon
