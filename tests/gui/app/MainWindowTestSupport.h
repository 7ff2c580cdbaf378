// What the main window and settings dialog tests share: a temporary application folder per test,
// the seams answered in advance, sized firmware files, and a watchdog that ends any dialog no
// test expected (so a missing answer fails the test instead of hanging it).
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/ErrorMessageDialog.h"
#include "dialogs/FilePicker.h"
#include "dialogs/SoundPreview.h"
#include "platform/ProgramState.h"
#include "settings/IniFile.h"
#include "tests/core/firmware/FileTestHelpers.h"

namespace quillon::test {

struct ShownError {
    int number = 0;
    QString fileName;
    QString message;
};

class RecordingPreview final : public SoundPreview {
  public:
    bool PlayAndWait(const std::string& path) override {
        played.push_back(path);
        return true;
    }
    std::vector<std::string> played;
};

// Ends, after a while, any modal dialog that is still up and that `expected` does not accept.
class ModalWatchdog {
  public:
    static constexpr int kIntervalMs = 200;

    ModalWatchdog() {
        QObject::connect(&timer_, &QTimer::timeout, [this]() {
            QWidget* modal = QApplication::activeModalWidget();
            auto* dialog = qobject_cast<QDialog*>(modal);
            if (dialog == nullptr) {
                return;
            }
            if (handler_ && handler_(*dialog)) {
                return;
            }
            ++unexpected;
            dialog->done(0);
        });
        timer_.start(kIntervalMs);
    }
    // handler returns true when it took care of the dialog (it may close it itself).
    void SetHandler(std::function<bool(QDialog&)> handler) { handler_ = std::move(handler); }
    int unexpected = 0;

  private:
    QTimer timer_;
    std::function<bool(QDialog&)> handler_;
};

struct Workspace {
    QTemporaryDir dir;
    ProgramState state;
    DialogRunner runner;
    FilePicker picker;
    RecordingPreview preview;
    ModalWatchdog watchdog;
    std::vector<ShownError> errors;

    Workspace() { state.appDir = dir.path().toStdString() + "/"; }

    IniFile Ini() const { return IniFile(state.IniPath()); }
    std::string Path(const std::string& name) const { return state.appDir + name; }

    // The next error dialog is answered with OK and recorded.
    void ExpectError() {
        runner.AnswerNext(FramedDialog::kResultOk, [this](QDialog& dialog) {
            auto* error = qobject_cast<ErrorMessageDialog*>(&dialog);
            errors.push_back(error == nullptr ? ShownError{-1, {}, {}}
                                              : ShownError{error->ErrorNumber(), error->FileName(),
                                                           error->Message()});
        });
    }
    // The next confirmation is answered with result after its text was kept in *text.
    void AnswerConfirm(int result, QString* text = nullptr) {
        runner.AnswerNext(result, [text](QDialog& dialog) {
            auto* confirm = qobject_cast<ConfirmDialog*>(&dialog);
            if (text != nullptr) {
                *text =
                    confirm == nullptr ? QStringLiteral("<not a confirmation>") : confirm->Text();
            }
        });
    }
};

inline constexpr uint64_t kHeaderBytes = 32768;
inline constexpr uint64_t kBlock = 1024;
inline constexpr uint64_t kMarkerOffset = 40000;
inline constexpr char kCommMarkerText[] = "Comm is in Bank0";
inline constexpr char kReaderMarkerText[] = "EESegFlags != AMD_ALL_BANKS_VALID";

// A COMM or READER file of size bytes with its content marker (and more text when given).
inline std::string MakeBoardFile(const std::string& path, uint64_t size, const char* marker,
                                 const std::string& extra = {}) {
    MakeSizedFile(path, size);
    if (size > kMarkerOffset + 64) {
        PutBytes(path, kMarkerOffset, marker + extra);
    }
    return path;
}

}  // namespace quillon::test
