#include "dialogs/UploadProgressWindow.h"

#include "platform/ErrorCatalogue.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "controls/ExtendedButton.h"
#include "controls/ExtendedLabel.h"
#include "controls/LogTextPane.h"
#include "controls/SevenSegmentCounter.h"
#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/ErrorMessageDialog.h"
#include "dialogs/FontRecordQt.h"
#include "dialogs/PaneMenu.h"
#include "dialogs/ProgressBarCounter.h"
#include "dialogs/ProgressLooks.h"
#include "dialogs/ProgressPanes.h"
#include "dialogs/QtNotificationSink.h"
#include "dialogs/SoundPlayer.h"
#include "platform/DurationText.h"
#include "records/FontInfoFile.h"
#include "records/UploadHistory.h"
#include "serial/PosixSerialBackend.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"
#include "upload/ProgressTexts.h"
#include "upload/StartPlan.h"
#include "upload/UploadWorkers.h"

namespace quillon {

// Everything the worker thread touches. The thread holds a reference of its own, so the record
// lives until the worker has ended even when the window closed first (a cancelled KX2 run goes
// on until its next check); the last holder frees it, in either mode.
struct UploadRun {
    explicit UploadRun(QtNotificationSink::Handler handler) : sink(std::move(handler)) {}

    UploadJob job;
    std::shared_ptr<SerialBackend> serial;
    QtNotificationSink sink;
};

namespace {

constexpr int kComm = 1;
constexpr int kReader = 2;
constexpr int kSpeech = 3;
constexpr int kViewNormal = 0;
constexpr int kViewMessages = 1;
constexpr int kViewBytes = 2;
constexpr int kProgressEstimates = 1;
constexpr int kBarStartMaximum = 100;
constexpr Rgb kBarBlue = Rgb(0x00008B);
constexpr Rgb kBarPurple = Rgb(0x800080);
constexpr Rgb kBlinkFirst = Rgb(0x000000);
constexpr Rgb kBlinkSecond = Rgb(0xF7F7F7);
constexpr int kBlinkMs = 250;
constexpr int kEndTextHeight = 24;
constexpr int kEndTextWeight = 700;
constexpr const char* kEndFace = "Verdana";
constexpr std::size_t kSoundPathChars = 79;
constexpr std::size_t kMinConfiguredSound = 5;

constexpr const char* kJobDone = "Job Done!";
constexpr const char* kJobCanceled = "Job Canceled!";
// A KX2 unit that took every packet but never confirmed the image has not been loaded: saying
// "Job Done!" would send a technician away from a unit that may not boot.
constexpr const char* kJobFailed = "Job FAILED!";
constexpr const char* kShowSerialText = "Show Serial Data";
constexpr const char* kHideSerialText = "Hide Serial Data";
constexpr const char* kNotFinishedWait =
    "Upload is NOT finished yet!\n\n\nPlease Wait for upload to finish";
constexpr const char* kNotFinishedAsk =
    "Upload is NOT finished yet!\n\nAre you sure?\n\nAbort Upload?";
constexpr const char* kCancelQuestion = "Cancel Upload ?";

std::atomic<int> g_liveWorkers{0};

std::string FileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string Duration(int seconds) {
    return DurationText(seconds);
}

}  // namespace

UploadProgressWindow::UploadProgressWindow(Selection selection, ProgramState& state,
                                           SerialFactory serialFactory, Clock& clock,
                                           DialogRunner& runner, SoundPlayer& sounds,
                                           QWidget* parent)
    : QDialog(parent),
      selection_(std::move(selection)),
      state_(state),
      serialFactory_(std::move(serialFactory)),
      clock_(clock),
      runner_(runner),
      sounds_(sounds) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    ReadSettings();
    BuildControls();
    showSerView_->SetText("%s", serialShown_ ? kHideSerialText : kShowSerialText);
    setWindowState(Qt::WindowMaximized);

    bar_->SetBarRange(0, kBarStartMaximum);
    bar_->SetBarValue(0);
    bar_->SetBarColor(ToQColor(kBarBlue));
    bar_->SetDisplayText(QStringLiteral("5 out of 260 Packets"));
    counter_->SetDisplayText(QStringLiteral(" 0:0"));

    NumberBoards();
    panes_->SetAutoScroll(false, false);

    FontRecord messageFont;
    FontRecord serialFont;
    FontInfoFile(state_.FontInfoPath()).LoadFonts(&messageFont, &serialFont, nullptr);
    panes_->Messages()->setFont(ToQFont(messageFont));
    panes_->Bytes()->setFont(ToQFont(serialFont));

    controlsBuilt_ = true;
    Arrange();
    // Queued: the worker starts once the window is up and its event loop runs.
    if (selection_.startWorker) {
        QMetaObject::invokeMethod(this, &UploadProgressWindow::StartUpload, Qt::QueuedConnection);
    }
}

UploadProgressWindow::~UploadProgressWindow() {
    if (run_) {
        // The worker may still run (a cancelled KX2 run); from now on it talks to nobody.
        run_->sink.Detach();
    }
}

int UploadProgressWindow::LiveWorkers() {
    return g_liveWorkers.load();
}

void UploadProgressWindow::ReadSettings() {
    const IniFile ini(state_.IniPath());
    soundSuccess_ = ini.GetString(settings::kSoundPostSuccess.section,
                                  settings::kSoundPostSuccess.key, "", kSoundPathChars);
    soundCompleted_ = ini.GetString(settings::kSoundCompleted.section,
                                    settings::kSoundCompleted.key, "", kSoundPathChars);
    soundFailed_ = ini.GetString(settings::kSoundFailed.section, settings::kSoundFailed.key, "",
                                 kSoundPathChars);
    serialShown_ = settings::ReadBool(ini, settings::kShowSerialView);
    commFirst_ = settings::ReadBool(ini, settings::kLoadCommFirst);
    allowAbort_ = settings::ReadBool(ini, settings::kAllowAbort);
    state_.showSerialData = serialShown_ ? 1 : 0;
}

void UploadProgressWindow::BuildControls() {
    auto button = [this](const char* text) {
        auto* b = new ExtendedButton(this);
        b->SetText("%s", text);
        return b;
    };
    abort_ = button("Abort");
    maxBytes_ = button("Max Bytes");
    maxMsgs_ = button("Max Msgs");
    normalViews_ = button("Normal Views");
    scrollBytes_ = button("Scroll Bytes");
    scrollMsgs_ = button("Scroll Msgs");
    showSerView_ = button(kShowSerialText);
    cancel_ = button("Cancel");
    const std::array<const char*, 3> boardTexts{"ETC Comm", "ETC Reader", "ETC Speech"};
    for (std::size_t i = 0; i < boards_.size(); ++i) {
        boards_[i].button = button(boardTexts[i]);
        ProgressLooks::BoardPending(*boards_[i].button);
    }
    counter_ = new SevenSegmentCounter(this);
    bar_ = new ProgressBarCounter(this);
    timeToComplete_ = new ExtendedLabel(this);
    timeToComplete_->setText(QStringLiteral("Time to Complete"));
    panes_ = std::make_unique<ProgressPanes>(this);
    menu_ = std::make_unique<PaneMenu>(state_.TempDir(), clock_);

    ProgressLooks::AbortOrCancel(*abort_);
    ProgressLooks::AbortOrCancel(*cancel_);
    ProgressLooks::ShowSerView(*showSerView_);
    ProgressLooks::MaxView(*maxMsgs_);
    ProgressLooks::MaxView(*maxBytes_);
    ProgressLooks::NormalViews(*normalViews_);

    connect(abort_, &QAbstractButton::clicked, this, &UploadProgressWindow::OnAbort);
    connect(cancel_, &QAbstractButton::clicked, this, &UploadProgressWindow::OnCancel);
    connect(maxBytes_, &QAbstractButton::clicked, this, [this] { SetViewMode(kViewBytes); });
    connect(maxMsgs_, &QAbstractButton::clicked, this, [this] { SetViewMode(kViewMessages); });
    connect(normalViews_, &QAbstractButton::clicked, this, [this] { SetViewMode(kViewNormal); });
    connect(scrollBytes_, &QAbstractButton::clicked, this,
            &UploadProgressWindow::ToggleScrollBytes);
    connect(scrollMsgs_, &QAbstractButton::clicked, this,
            &UploadProgressWindow::ToggleScrollMessages);
    connect(showSerView_, &QAbstractButton::clicked, this, &UploadProgressWindow::ToggleSerialData);

    for (LogTextPane* pane : {panes_->Messages(), panes_->Bytes()}) {
        connect(pane, &LogTextPane::rightButtonPressed, this, [this](LogTextPane* clicked) {
            const int item = menu_->Track(this, QCursor::pos());
            if (menu_->Execute(item, *clicked, this)) {
                const FontRecord message = FontRecordFromQFont(panes_->Messages()->font());
                const FontRecord serial = FontRecordFromQFont(panes_->Bytes()->font());
                FontInfoFile(state_.FontInfoPath()).SaveFonts(&message, &serial, nullptr);
            }
        });
    }
}

void UploadProgressWindow::NumberBoards() {
    const std::array<const std::optional<std::string>*, 3> paths{
        &selection_.commPath, &selection_.readerPath, &selection_.speechPath};
    const std::array<int, 3> order = commFirst_ ? std::array<int, 3>{kComm, kReader, kSpeech}
                                                : std::array<int, 3>{kReader, kComm, kSpeech};
    static constexpr std::array<const char*, 3> kInitialCaptions{
        " %d:\n Load Comm\n %s", " %d:\n Load Reader\n %s", " %d:\n Load Speech\n %s"};
    int number = 1;
    for (int kind : order) {
        const std::size_t i = static_cast<std::size_t>(kind - 1);
        if (!paths[i]->has_value()) {
            continue;
        }
        Board& board = boards_[i];
        board.fileName = FileNameOf(**paths[i]);
        board.number = number++;
        board.button->SetText(kInitialCaptions[i], board.number, board.fileName.c_str());
    }
}

int UploadProgressWindow::BoardNumber(int kind) const {
    return (kind >= kComm && kind <= kSpeech) ? boards_[static_cast<std::size_t>(kind - 1)].number
                                              : 0;
}

ExtendedButton* UploadProgressWindow::BoardButton(int kind) const {
    return (kind >= kComm && kind <= kSpeech) ? boards_[static_cast<std::size_t>(kind - 1)].button
                                              : nullptr;
}

LogTextPane* UploadProgressWindow::MessagePane() const {
    return panes_->Messages();
}

LogTextPane* UploadProgressWindow::SerialPane() const {
    return panes_->Bytes();
}

std::shared_ptr<const UploadJob> UploadProgressWindow::Job() const {
    if (!run_) {
        return nullptr;
    }
    return std::shared_ptr<const UploadJob>(run_, &run_->job);
}

const char* UploadProgressWindow::BoardWord(int kind) const {
    static constexpr std::array<const char*, 3> kWords{"COMM", "READER", "SPEECH"};
    return kWords[static_cast<std::size_t>(kind - 1)];
}

UploadProgressWindow::Board* UploadProgressWindow::CurrentBoard(const UploadProgress& p) {
    if (p.currentKind < kComm || p.currentKind > kSpeech) {
        return nullptr;
    }
    return &boards_[static_cast<std::size_t>(p.currentKind - 1)];
}

// --- the run --------------------------------------------------------------------------------

void UploadProgressWindow::StartUpload() {
    if (run_) {
        return;  // one run per window
    }
    run_ = std::make_shared<UploadRun>([this](const Notification& n) { HandleNotification(n); });
    UploadJob& job = run_->job;
    FillUploadJob(selection_.images, {selection_.portNumber, selection_.portDevice},
                  selection_.baudRate, commFirst_, job);
    job.notifications = &run_->sink;
    job.abortRequest = 0;
    job.finished = 0;
    run_->serial = serialFactory_ ? serialFactory_() : nullptr;
    if (!run_->serial) {
        run_->serial = std::make_shared<PosixSerialBackend>();
    }

    ++g_liveWorkers;
    std::thread([run = run_, kx2 = selection_.kx2, &state = state_, &clock = clock_]() mutable {
        SerialBackend* serial = run->serial.get();
        WorkerContext context{*serial, clock, state};
        if (kx2) {
            RunKx2UploadWorker(run->job, context);
        } else {
            RunHbdUploadWorker(run->job, context);
        }
        run.reset();  // the record goes before the count, so a waiter sees it freed
        --g_liveWorkers;
    }).detach();
}

void UploadProgressWindow::HandleNotification(const Notification& n) {
    const UploadProgress* p = n.progress;
    switch (n.code) {
        case UM_LOG_LINE:
            panes_->AppendLogLine(static_cast<int>(n.wParam), n.text);
            break;
        case UM_TX_BYTES:
        case UM_RX_BYTES:
            panes_->AppendBytes(n.code == UM_TX_BYTES, n.bytes, state_.showSerialData.load() == 1);
            break;
        case UM_FILE_START:
            if (p != nullptr) {
                OnFileStart(*p);
            }
            break;
        case UM_PROGRESS:
            if (p != nullptr) {
                n.wParam != 0 ? OnEstimates(*p) : OnProgress(*p);
            }
            break;
        case UM_DELAY_TICK:
            if (p != nullptr) {
                OnDelayTick(*p);
            }
            break;
        case UM_FILE_DONE:
            if (p != nullptr) {
                OnFileDone(*p);
            }
            break;
        case UM_FILE_FAILED:
            if (p != nullptr) {
                OnFileFailed(*p);
            }
            break;
        case UM_WORKER_DONE:
            OnWorkerDone();
            break;
        case UM_PORT_OPEN_FAILED:
            OnPortOpenFailed(static_cast<int>(n.wParam));
            break;
        default:  // UM_INTERNAL_ERROR and anything else: acknowledged, nothing changes
            break;
    }
}

void UploadProgressWindow::OnEstimates(const UploadProgress& p) {
    const std::array<int, 3> packets{p.commPackets, p.readerPackets, p.speechPackets};
    const std::array<int, 3> estimates{p.commEstimate, p.readerEstimate, p.speechEstimate};
    for (int kind = kComm; kind <= kSpeech; ++kind) {
        const std::size_t i = static_cast<std::size_t>(kind - 1);
        Board& board = boards_[i];
        board.button->SetText(" %d:\n Load %s\n %s\n %d Packets\n Estimate to Complete:\n  %s",
                              board.number, BoardWord(kind), board.fileName.c_str(), packets[i],
                              Duration(estimates[i]).c_str());
    }
    counter_->SetDisplayText(QString::fromStdString(CounterText(p.totalRemaining)));
    counter_->repaint();
}

void UploadProgressWindow::OnProgress(const UploadProgress& p) {
    bar_->SetDisplayText(QString::fromStdString(ProgressBarText(p)));
    bar_->SetBarValue(p.currentPacketsSent);
    bar_->update();
    if (Board* board = CurrentBoard(p)) {
        board->button->SetProgressMode(p.currentPackets, p.currentPacketsSent);
        board->button->SetText(" %d:\n Load %s\n %s\n\n Estimate to Complete:\n  %s", board->number,
                               BoardWord(p.currentKind), board->fileName.c_str(),
                               Duration(p.currentRemaining).c_str());
    }
    counter_->SetDisplayText(QString::fromStdString(CounterText(p.totalRemaining)));
}

void UploadProgressWindow::OnFileStart(const UploadProgress& p) {
    bar_->SetBarColor(ToQColor(kBarBlue));
    bar_->SetDisplayText(QString::fromStdString(FileStartBarText(p)));
    bar_->SetBarRange(0, p.currentPackets);
    bar_->SetBarValue(0);
}

void UploadProgressWindow::OnDelayTick(const UploadProgress& p) {
    counter_->SetDisplayText(QString::fromStdString(CounterText(p.totalRemaining)));
    bar_->SetDisplayText(QString::fromStdString(DelayBarText(p)));
    if (p.delayRemaining == p.delayLength) {
        bar_->SetBarRange(0, p.delayLength);
        bar_->SetBarValue(0);
        bar_->SetBarColor(ToQColor(kBarPurple));
    } else {
        bar_->SetBarValue(p.delayLength - p.delayRemaining);
    }
}

void UploadProgressWindow::OnFileDone(const UploadProgress& p) {
    if (Board* board = CurrentBoard(p)) {
        const std::array<int, 3> elapsed{p.commElapsed, p.readerElapsed, p.speechElapsed};
        board->button->SetText(
            " %d:\n Load %s\n %s\n\n COMPLETED in:\n  %s", board->number, BoardWord(p.currentKind),
            board->fileName.c_str(),
            Duration(elapsed[static_cast<std::size_t>(p.currentKind - 1)]).c_str());
        ProgressLooks::BoardCompleted(*board->button);
    }
    PlaySound(p.filesRemaining == 0 ? soundCompleted_ : soundSuccess_);
}

void UploadProgressWindow::OnFileFailed(const UploadProgress& p) {
    if (Board* board = CurrentBoard(p)) {
        // COMM's line has one space before the asterisks, the others two.
        const char* format = p.currentKind == kComm ? " %d:\n Load %s\n %s\n\n *** FAILED ***"
                                                    : " %d:\n Load %s\n %s\n\n  *** FAILED ***";
        board->button->SetText(format, board->number, BoardWord(p.currentKind),
                               board->fileName.c_str());
        ProgressLooks::BoardFailed(*board->button);
    }
    PlaySound(soundFailed_);
}

void UploadProgressWindow::PlaySound(const std::string& path) {
    if (path.size() >= kMinConfiguredSound) {
        sounds_.Play(path);
    }
}

void UploadProgressWindow::ShowEndText(const char* text) {
    runState_ = kEnded;
    timeToComplete_->StopTextBlink();
    timeToComplete_->SetStaticFont(kEndTextHeight, kEndTextWeight, QString::fromLatin1(kEndFace));
    timeToComplete_->SetText("%s", text);
    timeToComplete_->setAlignment(Qt::AlignCenter);
    timeToComplete_->StartTextBlink(ToQColor(kBlinkFirst), ToQColor(kBlinkSecond), kBlinkMs);
    ProgressLooks::Exit(*abort_);
    abort_->SetText("Exit");
    Arrange();
}

void UploadProgressWindow::OnWorkerDone() {
    if (run_ && run_->job.outcome.load() == RunOutcome::kNoFinalAnswer) {
        // The KX2 unit never confirmed its image; its board already shows the failure.
        ShowEndText(kJobFailed);
        return;
    }
    const bool aborted = run_ && run_->job.abortRequest.load() != 0;
    ShowEndText(aborted ? kJobCanceled : kJobDone);
}

void UploadProgressWindow::OnPortOpenFailed(int portNumber) {
    // The worker has ended without UM_WORKER_DONE: say why, and let the window close.
    ShowEndText(kJobFailed);
    std::string device = selection_.portDevice;
    if (device.empty()) {
        device = PosixSerialBackend::DefaultDevicePath(portNumber - 1);
    }
    const int baud = selection_.baudRate;
    // Shown after the worker's call has returned, so the worker is not held by the dialog.
    QTimer::singleShot(0, this, [this, device, baud] {
        ErrorMessageDialog box(this);
        box.Set(error::kPortFailed.number, nullptr, "%s",
                ErrorText(error::kPortFailed, device.c_str(), baud).c_str());
        runner_.Run(box);
    });
}

// --- commands -------------------------------------------------------------------------------

void UploadProgressWindow::SetViewMode(int mode) {
    viewMode_ = mode;
    Arrange();
}

void UploadProgressWindow::ToggleSerialData() {
    serialShown_ = !serialShown_;
    showSerView_->SetText("%s", serialShown_ ? kHideSerialText : kShowSerialText);
    Arrange();
    state_.showSerialData = serialShown_ ? 1 : 0;
}

void UploadProgressWindow::ToggleScrollMessages() {
    panes_->SetAutoScroll(!panes_->AutoScrollMessages(), panes_->AutoScrollBytes());
}

void UploadProgressWindow::ToggleScrollBytes() {
    panes_->SetAutoScroll(panes_->AutoScrollMessages(), !panes_->AutoScrollBytes());
}

bool UploadProgressWindow::CloseCheck() {
    if (runState_ != kRunning) {
        return true;
    }
    ConfirmDialog confirm(this);
    if (!allowAbort_) {
        confirm.SetText("%s", kNotFinishedWait);
        confirm.SetSingleButton(true);
        runner_.Run(confirm);
        return false;
    }
    confirm.SetText("%s", kNotFinishedAsk);
    if (runner_.Run(confirm) == ConfirmDialog::kResultYes && run_) {
        run_->job.abortRequest = 1;
    }
    return false;
}

void UploadProgressWindow::OnAbort() {
    if (CloseCheck()) {
        done(QDialog::Accepted);
    }
}

void UploadProgressWindow::OnCancel() {
    if (!selection_.kx2) {
        return;
    }
    QMessageBox question(QMessageBox::Question, QString::fromLatin1(kCaption),
                         QString::fromLatin1(kCancelQuestion), QMessageBox::Yes | QMessageBox::No,
                         this);
    if (runner_.Run(question) != QMessageBox::Yes) {
        return;
    }
    if (run_) {
        run_->job.abortRequest = 1;
    }
    done(QDialog::Rejected);
}

void UploadProgressWindow::accept() {
    // Enter: the window ends only by Exit once the run is over.
    if (runState_ != kRunning) {
        QDialog::accept();
    }
}

void UploadProgressWindow::reject() {
    if (viewMode_ != kViewNormal) {
        SetViewMode(kViewNormal);
        return;
    }
    if (CloseCheck()) {
        QDialog::reject();
    }
}

void UploadProgressWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

// --- layout ---------------------------------------------------------------------------------

ProgressLayout::Input UploadProgressWindow::LayoutInput() const {
    ProgressLayout::Input in;
    in.width = width();
    in.height = height();
    in.viewMode = viewMode_;
    in.serialShown = serialShown_;
    in.running = runState_ == kRunning;
    in.allowAbort = allowAbort_;
    in.kx2 = selection_.kx2;
    in.boardNumbers = {boards_[0].number, boards_[1].number, boards_[2].number};
    return in;
}

void UploadProgressWindow::Arrange() {
    if (!controlsBuilt_) {
        return;
    }
    const ProgressLayout::Result r = ProgressLayout::Compute(LayoutInput());
    auto place = [](QWidget* w, const QRect& rect) {
        w->setGeometry(rect);
        w->setVisible(!rect.isEmpty());
    };
    for (std::size_t i = 0; i < boards_.size(); ++i) {
        place(boards_[i].button, boards_[i].number > 0 ? r.boards[i] : QRect());
    }
    place(counter_, r.counter);
    place(timeToComplete_, r.timeToComplete);
    place(bar_, r.bar);
    place(maxMsgs_, r.maxMsgs);
    place(maxBytes_, r.maxBytes);
    place(normalViews_, r.normalViews);
    place(panes_->Messages(), r.messagePane);
    place(panes_->Bytes(), r.serialPane);
    place(showSerView_, r.showSerView);
    place(scrollMsgs_, r.scrollMsgs);
    place(scrollBytes_, r.scrollBytes);
    place(abort_, r.abort);
    place(cancel_, r.cancel);
}

void UploadProgressWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Arrange();
}

}  // namespace quillon
