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
#include "program/ProgramState.h"
#include "session/UploadSession.h"
#include "upload/TimeToComplete.h"
#include "upload/UploadEvents.h"

namespace quillon {

class PaintedButton;
class LogTextPane;
class PaintedLabel;
class ProgressBarCounter;
class SevenSegmentCounter;
class DialogRunner;
class PaneMenu;
class ProgressPanes;
class SoundPlayer;
class QtEventSink;
class UploadSessions;

class UploadProgressWindow : public QDialog {
    Q_OBJECT

  public:
    static constexpr const char* kCaption = "Quillon Upload Files";
    static constexpr int kRunning = 1;
    static constexpr int kEnded = 2;

    // What the main window hands over: the selected files (nullopt = board not loaded; in KX2
    // mode the .kx file stands in the COMM place), the session that passed the start steps and
    // the line it starts on.
    struct Selection {
        std::optional<std::string> commPath;
        std::optional<std::string> readerPath;
        std::optional<std::string> speechPath;
        bool kx2 = false;
        // Null: no run is started and the window only shows the events handed to HandleEvent
        // (screenshots, the pane benchmark).
        std::shared_ptr<UploadSession> session;
        RunLine line;
    };

    // state, clock, runner, sounds and sessions must outlive the window (they belong to the
    // program); a run still going when the window closes is handed to sessions.
    UploadProgressWindow(Selection selection, ProgramState& state, Clock& clock,
                         DialogRunner& runner, SoundPlayer& sounds, UploadSessions& sessions,
                         QWidget* parent = nullptr);
    ~UploadProgressWindow() override;

    // Handles one event of the run on the UI thread (the Qt sink calls it; tests and the pane
    // benchmark may call it directly).
    void HandleEvent(const UploadEvent& e);

    // Enter never ends the window while the worker runs; Esc and the close box follow the
    // view mode and the close check. A stop the user asks for (Abort, Cancel) is shown as
    // stopping until the worker has ended; the window then shows the run's end and may close.
    void accept() override;
    void reject() override;

    // State, for tests and screenshots.
    int RunState() const { return runState_; }
    int ViewMode() const { return viewMode_; }
    bool SerialDataShown() const { return serialShown_; }
    bool AllowAbort() const { return allowAbort_; }
    bool IsKx2() const { return selection_.kx2; }
    bool IsStopping() const { return stopping_; }
    int BoardNumber(FileKind kind) const;  // 0 = not loaded
    // The window's run (null in a window that shows only what it is handed).
    std::shared_ptr<const UploadSession> Session() const { return selection_.session; }
    bool WorkerStarted() const { return selection_.session && selection_.session->Started(); }

    PaintedButton* BoardButton(FileKind kind) const;
    PaintedButton* AbortButton() const { return abort_; }
    PaintedButton* CancelButton() const { return cancel_; }
    PaintedButton* MaxBytesButton() const { return maxBytes_; }
    PaintedButton* MaxMsgsButton() const { return maxMsgs_; }
    PaintedButton* NormalViewsButton() const { return normalViews_; }
    PaintedButton* ScrollBytesButton() const { return scrollBytes_; }
    PaintedButton* ScrollMsgsButton() const { return scrollMsgs_; }
    PaintedButton* ShowSerViewButton() const { return showSerView_; }
    SevenSegmentCounter* Counter() const { return counter_; }
    ProgressBarCounter* ProgressBar() const { return bar_; }
    LogTextPane* MessagePane() const;
    LogTextPane* SerialPane() const;
    PaintedLabel* TimeToComplete() const { return timeToComplete_; }
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
    void keyPressEvent(QKeyEvent* event) override;

  private slots:
    void StartUpload();

  private:
    struct Board {
        int number = 0;
        std::string fileName;
        PaintedButton* button = nullptr;
    };

    void ReadSettings();
    void BuildControls();
    void NumberBoards();
    Board* CurrentBoard(const UploadProgress& p);

    void OnEstimates(const UploadProgress& p);
    void OnProgress(const UploadProgress& reported);
    void OnFileStart(const UploadProgress& p);
    void OnDelayTick(const UploadProgress& p);
    void OnAwaitingConfirmation(const UploadProgress& p, int secondsLeft);
    void OnFileDone(const UploadProgress& p);
    void OnFileFailed(const event::FileFailed& failed);
    void OnWorkerDone(RunOutcome outcome);
    void OnPortOpenFailed();
    void ShowEndText(const char* text, bool failed);
    void ShowStopping();
    void PlaySound(const std::string& path);

    // True when the window may close now; otherwise asks (and may set the abort request).
    bool CloseCheck();

    Selection selection_;
    ProgramState& state_;
    Clock& clock_;
    quillon::TimeToComplete timeLeft_;  // qualified: TimeToComplete() is the label
    DialogRunner& runner_;
    SoundPlayer& sounds_;
    UploadSessions& sessions_;

    std::shared_ptr<QtEventSink> sink_;
    std::array<Board, 3> boards_;  // COMM, READER, SPEECH
    std::string soundSuccess_;
    std::string soundCompleted_;
    std::string soundFailed_;
    bool commFirst_ = true;
    bool allowAbort_ = false;
    bool serialShown_ = false;
    int runState_ = kRunning;
    bool stopping_ = false;                // the user's stop is asked for, the worker not ended yet
    std::optional<FileKind> activeKind_;   // the board started and neither done nor failed
    std::optional<FailureCause> failure_;  // the cause of a file that failed
    int viewMode_ = 0;
    bool controlsBuilt_ = false;

    PaintedButton* abort_ = nullptr;
    PaintedButton* maxBytes_ = nullptr;
    PaintedButton* maxMsgs_ = nullptr;
    PaintedButton* normalViews_ = nullptr;
    PaintedButton* scrollBytes_ = nullptr;
    PaintedButton* scrollMsgs_ = nullptr;
    PaintedButton* showSerView_ = nullptr;
    PaintedButton* cancel_ = nullptr;
    SevenSegmentCounter* counter_ = nullptr;
    ProgressBarCounter* bar_ = nullptr;
    PaintedLabel* timeToComplete_ = nullptr;
    std::unique_ptr<ProgressPanes> panes_;
    std::unique_ptr<PaneMenu> menu_;
};

}  // namespace quillon
