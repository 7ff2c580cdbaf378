// The window that carries out one upload run: it starts the worker thread, shows every
// notification as board captions, a bar, a counter, two text panes and sounds, and becomes
// closable when the run has ended (or the port would not open). It never blocks on the worker:
// the record the worker uses is shared with the worker thread and outlives the window.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "dialogs/ProgressLayout.h"
#include "platform/Clock.h"
#include "platform/ProgramState.h"
#include "serial/SerialBackend.h"
#include "upload/Notification.h"
#include "upload/StartPlan.h"
#include "upload/UploadJob.h"

namespace quillon {

class ExtendedButton;
class LogTextPane;
class ExtendedLabel;
class ProgressBarCounter;
class SevenSegmentCounter;
class DialogRunner;
class PaneMenu;
class ProgressPanes;
class SoundPlayer;
struct UploadRun;

class UploadProgressWindow : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kCaption = "Quillon Upload Files";
    static constexpr int kRunning = 1;
    static constexpr int kEnded = 2;

    // What the main window hands over: the selected files (nullopt = board not loaded; in KX2
    // mode the .kx file stands in the COMM place), the port and the rate.
    struct Selection {
        std::optional<std::string> commPath;
        std::optional<std::string> readerPath;
        std::optional<std::string> speechPath;
        // The files as the start checks read them; the worker sends exactly these.
        StartImages images;
        int portNumber = 1;      // 1-based user port number
        std::string portDevice;  // device for that number; empty = the default name
        int baudRate = 19200;
        bool kx2 = false;
        // False: no worker is started and the window only shows the notifications handed to
        // HandleNotification (screenshots, the pane benchmark).
        bool startWorker = true;
    };
    // Makes the serial library a run uses. The worker thread keeps it for as long as it runs,
    // so it may outlive this window. Production: a new PosixSerialBackend.
    using SerialFactory = std::function<std::shared_ptr<SerialBackend>()>;

    // state, clock, runner and sounds must outlive the window (they belong to the program).
    UploadProgressWindow(Selection selection, ProgramState& state, SerialFactory serialFactory,
                         Clock& clock, DialogRunner& runner, SoundPlayer& sounds,
                         QWidget* parent = nullptr);
    ~UploadProgressWindow() override;

    // Handles one worker notification on the UI thread (the Qt sink calls it; tests and the
    // pane benchmark may call it directly).
    void HandleNotification(const Notification& n);

    // Enter never ends the window while the worker runs; Esc and the close box follow the
    // view mode and the close check.
    void accept() override;
    void reject() override;

    // State, for tests and screenshots.
    int RunState() const { return runState_; }
    int ViewMode() const { return viewMode_; }
    bool SerialDataShown() const { return serialShown_; }
    bool AllowAbort() const { return allowAbort_; }
    bool IsKx2() const { return selection_.kx2; }
    int BoardNumber(int kind) const;  // 1 COMM, 2 READER, 3 SPEECH; 0 = not loaded
    // The record the worker was given (null before the start).
    std::shared_ptr<const UploadJob> Job() const;
    bool WorkerStarted() const { return run_ != nullptr; }
    // Threads of runs that have not ended yet, across all windows (a closed KX2 window's
    // worker runs on until it sees the abort request).
    static int LiveWorkers();

    ExtendedButton* BoardButton(int kind) const;  // 1..3
    ExtendedButton* AbortButton() const { return abort_; }
    ExtendedButton* CancelButton() const { return cancel_; }
    ExtendedButton* MaxBytesButton() const { return maxBytes_; }
    ExtendedButton* MaxMsgsButton() const { return maxMsgs_; }
    ExtendedButton* NormalViewsButton() const { return normalViews_; }
    ExtendedButton* ScrollBytesButton() const { return scrollBytes_; }
    ExtendedButton* ScrollMsgsButton() const { return scrollMsgs_; }
    ExtendedButton* ShowSerViewButton() const { return showSerView_; }
    SevenSegmentCounter* Counter() const { return counter_; }
    ProgressBarCounter* ProgressBar() const { return bar_; }
    LogTextPane* MessagePane() const;
    LogTextPane* SerialPane() const;
    ExtendedLabel* TimeToComplete() const { return timeToComplete_; }
    ProgressPanes& Panes() const { return *panes_; }
    PaneMenu& Menu() const { return *menu_; }

    // The commands behind the buttons.
    void SetViewMode(int mode);
    void ToggleSerialData();
    void ToggleScrollMessages();
    void ToggleScrollBytes();
    void OnAbort();
    void OnCancel();
    // Lays the controls out for the current client size.
    void Arrange();
    ProgressLayout::Input LayoutInput() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private slots:
    void StartUpload();

  private:
    struct Board {
        int number = 0;
        std::string fileName;
        ExtendedButton* button = nullptr;
    };

    void ReadSettings();
    void BuildControls();
    void NumberBoards();
    Board* CurrentBoard(const UploadProgress& p);
    const char* BoardWord(int kind) const;

    void OnEstimates(const UploadProgress& p);
    void OnProgress(const UploadProgress& p);
    void OnFileStart(const UploadProgress& p);
    void OnDelayTick(const UploadProgress& p);
    void OnFileDone(const UploadProgress& p);
    void OnFileFailed(const UploadProgress& p);
    void OnWorkerDone();
    void OnPortOpenFailed(int portNumber);
    void ShowEndText(const char* text);
    void PlaySound(const std::string& path);

    // True when the window may close now; otherwise asks (and may set the abort request).
    bool CloseCheck();

    Selection selection_;
    ProgramState& state_;
    SerialFactory serialFactory_;
    Clock& clock_;
    DialogRunner& runner_;
    SoundPlayer& sounds_;

    std::shared_ptr<UploadRun> run_;
    std::array<Board, 3> boards_;  // COMM, READER, SPEECH
    std::string soundSuccess_;
    std::string soundCompleted_;
    std::string soundFailed_;
    bool commFirst_ = true;
    bool allowAbort_ = false;
    bool serialShown_ = false;
    int runState_ = kRunning;
    int viewMode_ = 0;
    bool controlsBuilt_ = false;

    ExtendedButton* abort_ = nullptr;
    ExtendedButton* maxBytes_ = nullptr;
    ExtendedButton* maxMsgs_ = nullptr;
    ExtendedButton* normalViews_ = nullptr;
    ExtendedButton* scrollBytes_ = nullptr;
    ExtendedButton* scrollMsgs_ = nullptr;
    ExtendedButton* showSerView_ = nullptr;
    ExtendedButton* cancel_ = nullptr;
    SevenSegmentCounter* counter_ = nullptr;
    ProgressBarCounter* bar_ = nullptr;
    ExtendedLabel* timeToComplete_ = nullptr;
    std::unique_ptr<ProgressPanes> panes_;
    std::unique_ptr<PaneMenu> menu_;
};

}  // namespace quillon
