#include "dialogs/UploadProgressWindow.h"

#include "program/ErrorCatalogue.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <cstdarg>
#include <cstdio>

#include "controls/LogTextPane.h"
#include "controls/PaintedButton.h"
#include "controls/PaintedLabel.h"
#include "controls/SevenSegmentCounter.h"
#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/ErrorMessageDialog.h"
#include "dialogs/FontRecordQt.h"
#include "dialogs/PaneMenu.h"
#include "dialogs/ProgressBarCounter.h"
#include "dialogs/ProgressLooks.h"
#include "dialogs/ProgressPanes.h"
#include "dialogs/QtEventSink.h"
#include "dialogs/SoundPlayer.h"
#include "dialogs/UploadSessions.h"
#include "platform/PathText.h"
#include "records/FontInfoFile.h"
#include "records/UploadHistory.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"
#include "text/DurationText.h"
#include "upload/ProgressTexts.h"

namespace quillon {

namespace {

constexpr int kViewNormal = 0;
constexpr int kViewMessages = 1;
constexpr int kViewBytes = 2;
constexpr int kBarStartMaximum = 100;
constexpr Rgb kBarBlue = Rgb(0x00008B);
constexpr Rgb kBarPurple = Rgb(0x800080);
constexpr Rgb kBlinkFirst = Rgb(0x000000);
constexpr Rgb kBlinkFailed = Rgb(0xFF0000);
constexpr Rgb kBlinkSecond = Rgb(0xF7F7F7);
constexpr int kBlinkMs = 250;
constexpr int kEndTextHeight = 24;
constexpr int kEndTextWeight = 700;
constexpr const char* kEndFace = "Verdana";
constexpr std::size_t kMinConfiguredSound = 5;

// "Job Done!" only when every file went up: a technician sent away from a unit whose board
// failed, or whose KX2 image was never confirmed, leaves a unit that may not boot.
constexpr const char* kJobDone = "Job Done!";
constexpr const char* kJobCanceled = "Job Canceled!";
constexpr const char* kJobFailed = "Job FAILED!";
constexpr const char* kStopping = "Stopping...";
constexpr const char* kShowSerialText = "Show Serial Data";
constexpr const char* kHideSerialText = "Hide Serial Data";
constexpr const char* kNotFinishedWait =
    "Upload is NOT finished yet!\n\n\nPlease Wait for upload to finish";
constexpr const char* kNotFinishedAsk =
    "Upload is NOT finished yet!\n\nAre you sure?\n\nAbort Upload?";
constexpr const char* kCancelQuestion = "Cancel Upload ?";

std::string FileNameOf(const std::string& path) {
    const size_t last = path.find_last_of(kPathSeparators);
    return last == std::string::npos ? path : path.substr(last + 1);
}

std::string Duration(int seconds) {
    return DurationText(seconds);
}

}  // namespace

UploadProgressWindow::UploadProgressWindow(Selection selection, ProgramState& state, Clock& clock,
                                           DialogRunner& runner, SoundPlayer& sounds,
                                           UploadSessions& sessions, QWidget* parent)
    : QDialog(parent),
      selection_(std::move(selection)),
      state_(state),
      clock_(clock),
      runner_(runner),
      sounds_(sounds),
      sessions_(sessions) {
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
    // Restored from maximised, the window keeps room for everything it may have to show.
    setMinimumSize(ProgressLayout::MinimumSize(LayoutInput()));
    panes_->SetAutoScroll(false, false);

    FontRecord messageFont;
    FontRecord serialFont;
    FontInfoFile(state_.FontInfoPath()).LoadFonts(&messageFont, &serialFont, nullptr);
    panes_->Messages()->setFont(ToQFont(messageFont));
    panes_->Bytes()->setFont(ToQFont(serialFont));

    controlsBuilt_ = true;
    Arrange();
    // Queued: the worker starts once the window is up and its event loop runs.
    if (selection_.session) {
        QMetaObject::invokeMethod(this, &UploadProgressWindow::StartUpload, Qt::QueuedConnection);
    }
}

UploadProgressWindow::~UploadProgressWindow() {
    if (sink_) {
        // The worker may still run (a cancelled KX2 run); from now on it talks to nobody, and
        // the program keeps the session until it has ended.
        sink_->Detach();
        sessions_.Keep(selection_.session);
    }
}

void UploadProgressWindow::ReadSettings() {
    const IniFile ini(state_.IniPath());
    soundSuccess_ = settings::Read(ini, settings::kSoundPostSuccess);
    soundCompleted_ = settings::Read(ini, settings::kSoundCompleted);
    soundFailed_ = settings::Read(ini, settings::kSoundFailed);
    serialShown_ = settings::ReadBool(ini, settings::kShowSerialView);
    commFirst_ = settings::ReadBool(ini, settings::kLoadCommFirst);
    allowAbort_ = settings::ReadBool(ini, settings::kAllowAbort);
    state_.showSerialData = serialShown_;
}

void UploadProgressWindow::BuildControls() {
    auto button = [this](const char* text) {
        auto* b = new PaintedButton(this);
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
    timeToComplete_ = new PaintedLabel(this);
    timeToComplete_->setText(QStringLiteral("Time to Complete"));
    panes_ = std::make_unique<ProgressPanes>(this);
    menu_ = std::make_unique<PaneMenu>(state_.TempDir(), clock_);
    menu_->SetDialogRunner(runner_);

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
    using enum FileKind;
    const std::array<FileKind, 3> order =
        commFirst_ ? std::array{kComm, kReader, kSpeech} : std::array{kReader, kComm, kSpeech};
    static constexpr std::array<const char*, 3> kInitialCaptions{
        " %d:\n Load Comm\n %s", " %d:\n Load Reader\n %s", " %d:\n Load Speech\n %s"};
    int number = 1;
    for (FileKind kind : order) {
        const std::size_t i = BoardIndex(kind);
        if (!paths[i]->has_value()) {
            continue;
        }
        Board& board = boards_[i];
        board.fileName = FileNameOf(**paths[i]);
        board.number = number++;
        board.button->SetText(kInitialCaptions[i], board.number, board.fileName.c_str());
    }
}

int UploadProgressWindow::BoardNumber(FileKind kind) const {
    return FindBoard(kind) != nullptr ? boards_[BoardIndex(kind)].number : 0;
}

PaintedButton* UploadProgressWindow::BoardButton(FileKind kind) const {
    return FindBoard(kind) != nullptr ? boards_[BoardIndex(kind)].button : nullptr;
}

LogTextPane* UploadProgressWindow::MessagePane() const {
    return panes_->Messages();
}

LogTextPane* UploadProgressWindow::SerialPane() const {
    return panes_->Bytes();
}

UploadProgressWindow::Board* UploadProgressWindow::CurrentBoard(const UploadProgress& p) {
    return FindBoard(p.currentKind) != nullptr ? &boards_[BoardIndex(p.currentKind)] : nullptr;
}

// --- the run --------------------------------------------------------------------------------

void UploadProgressWindow::StartUpload() {
    if (sink_ || !selection_.session) {
        return;  // one run per window
    }
    sink_ = std::make_shared<QtEventSink>([this](const UploadEvent& e) { HandleEvent(e); });
    selection_.session->Start(selection_.line, sink_);
}

void UploadProgressWindow::HandleEvent(const UploadEvent& e) {
    std::visit(
        Overloaded{
            [&](const event::LogLine& line) { panes_->AppendLogLine(line.level, line.text); },
            [&](const event::BytesSent& sent) {
                panes_->AppendBytes(true, sent.bytes, state_.showSerialData.load());
            },
            [&](const event::BytesReceived& received) {
                panes_->AppendBytes(false, received.bytes, state_.showSerialData.load());
            },
            [&](const event::FileStart& start) { OnFileStart(start.progress); },
            [&](const event::Estimates& estimates) { OnEstimates(estimates.progress); },
            [&](const event::PacketSent& sent) { OnProgress(sent.progress); },
            [&](const event::PauseTick& tick) { OnDelayTick(tick.progress); },
            [&](const event::AwaitingConfirmation& waiting) {
                OnAwaitingConfirmation(waiting.progress, waiting.secondsLeft);
            },
            [&](const event::FileDone& done) { OnFileDone(done.progress); },
            [&](const event::FileFailed& failed) { OnFileFailed(failed); },
            [&](const event::WorkerDone& done) { OnWorkerDone(done.outcome); },
            [&](const event::PortOpenFailed&) { OnPortOpenFailed(); },
            // Anything else (an internal error, a record lost): acknowledged, nothing
            // changes on screen.
            [](const auto&) {},
        },
        e);
}

void UploadProgressWindow::OnEstimates(const UploadProgress& p) {
    for (const BoardSpec& spec : kBoards) {
        Board& board = boards_[BoardIndex(spec.kind)];
        board.button->SetText(" %d:\n Load %s\n %s\n %d Packets\n Estimate to Complete:\n  %s",
                              board.number, spec.name, board.fileName.c_str(),
                              p.Board(spec.kind).packets,
                              Duration(p.Board(spec.kind).estimate).c_str());
    }
    counter_->SetDisplayText(QString::fromStdString(CounterText(p.totalRemaining)));
    counter_->repaint();
}

void UploadProgressWindow::OnProgress(const UploadProgress& reported) {
    // The bar, the board and the counter count down from the rate the line really has, as one.
    UploadProgress p = reported;
    const auto left = timeLeft_.Note(reported, clock_.TickCount());
    p.currentRemaining = left.board;
    p.totalRemaining = left.run;
    bar_->SetDisplayText(QString::fromStdString(ProgressBarText(p)));
    bar_->SetBarValue(p.currentPacketsSent);
    bar_->update();
    if (Board* board = CurrentBoard(p)) {
        board->button->SetProgressMode(p.currentPackets, p.currentPacketsSent);
        board->button->SetText(" %d:\n Load %s\n %s\n\n Estimate to Complete:\n  %s", board->number,
                               FileKindName(p.currentKind), board->fileName.c_str(),
                               Duration(p.currentRemaining).c_str());
    }
    counter_->SetDisplayText(QString::fromStdString(CounterText(p.totalRemaining)));
}

void UploadProgressWindow::OnFileStart(const UploadProgress& p) {
    activeKind_ = p.currentKind;
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

// KX2: every packet is out and the unit has yet to say whether it took the image. Until it does
// the board is no finished board, and the counter counts down the time left to wait.
void UploadProgressWindow::OnAwaitingConfirmation(const UploadProgress& p, int secondsLeft) {
    bar_->SetDisplayText(QString::fromStdString(AwaitingConfirmationText(secondsLeft)));
    counter_->SetDisplayText(QString::fromStdString(CounterText(secondsLeft)));
    if (Board* board = CurrentBoard(p)) {
        ProgressLooks::BoardPending(*board->button);
        board->button->SetText(" %d:\n Load %s\n %s\n\n Waiting for the unit to confirm:\n  %s",
                               board->number, FileKindName(p.currentKind), board->fileName.c_str(),
                               Duration(secondsLeft).c_str());
    }
}

void UploadProgressWindow::OnFileDone(const UploadProgress& p) {
    activeKind_.reset();
    if (Board* board = CurrentBoard(p)) {
        board->button->SetText(" %d:\n Load %s\n %s\n\n COMPLETED in:\n  %s", board->number,
                               FileKindName(p.currentKind), board->fileName.c_str(),
                               Duration(p.Board(p.currentKind).elapsed).c_str());
        ProgressLooks::BoardCompleted(*board->button);
    }
    PlaySound(p.filesRemaining == 0 ? soundCompleted_ : soundSuccess_);
}

void UploadProgressWindow::OnFileFailed(const event::FileFailed& failed) {
    const UploadProgress& p = failed.progress;
    activeKind_.reset();
    failure_ = failed.cause;
    if (Board* board = CurrentBoard(p)) {
        // COMM's line has one space before the asterisks, the others two. Below them where and
        // why, as the command line says it, the cause on a line of its own to fit the board.
        const char* format = p.currentKind == FileKind::kComm
                                 ? " %d:\n Load %s\n %s\n\n *** FAILED ***\n %s"
                                 : " %d:\n Load %s\n %s\n\n  *** FAILED ***\n %s";
        board->button->SetText(format, board->number, FileKindName(p.currentKind),
                               board->fileName.c_str(),
                               FailurePlace(failed.step, failed.cause, "\n ").c_str());
        ProgressLooks::BoardFailed(*board->button);
    }
    PlaySound(soundFailed_);
}

void UploadProgressWindow::PlaySound(const std::string& path) {
    if (path.size() >= kMinConfiguredSound) {
        sounds_.Play(path);
    }
}

void UploadProgressWindow::ShowEndText(const char* text, bool failed) {
    runState_ = kEnded;
    stopping_ = false;
    timeToComplete_->StopTextBlink();
    timeToComplete_->SetStaticFont(kEndTextHeight, kEndTextWeight, QString::fromLatin1(kEndFace));
    timeToComplete_->SetText("%s", text);
    timeToComplete_->setAlignment(Qt::AlignCenter);
    timeToComplete_->StartTextBlink(ToQColor(failed ? kBlinkFailed : kBlinkFirst),
                                    ToQColor(kBlinkSecond), kBlinkMs);
    ProgressLooks::Exit(*abort_);
    abort_->SetText("Exit");
    abort_->setEnabled(true);
    Arrange();
}

void UploadProgressWindow::ShowStopping() {
    stopping_ = true;
    timeToComplete_->SetText("%s", kStopping);
    for (PaintedButton* button : {abort_, cancel_}) {
        button->SetText("%s", kStopping);
        button->setEnabled(false);
    }
}

void UploadProgressWindow::OnWorkerDone(RunOutcome outcome) {
    // The outcome, not the stop request: a stop that came after the last file changed nothing.
    if (failure_ || (outcome != RunOutcome::kCompleted && outcome != RunOutcome::kAborted)) {
        // What to check, as the command line says it, as the last line: the pane shows its end.
        const char* advice = failure_ ? FailureAdvice(outcome, *failure_) : "";
        if (*advice != '\0') {
            panes_->AppendLogLine(kLevelError, std::string(advice) + "\n");
        }
        ShowEndText(kJobFailed, true);
        return;
    }
    if (outcome == RunOutcome::kAborted && activeKind_ && FindBoard(*activeKind_) != nullptr) {
        // The board the stop cut short: neither loaded nor failed by the unit.
        const Board& board = boards_[BoardIndex(*activeKind_)];
        board.button->SetText(" %d:\n Load %s\n %s\n\n *** CANCELED ***", board.number,
                              FileKindName(*activeKind_), board.fileName.c_str());
        ProgressLooks::BoardCanceled(*board.button);
    }
    ShowEndText(outcome == RunOutcome::kAborted ? kJobCanceled : kJobDone, false);
}

void UploadProgressWindow::OnPortOpenFailed() {
    // The worker has ended without a WorkerDone: say why, and let the window close.
    ShowEndText(kJobFailed, true);
    const std::string device = selection_.session ? selection_.session->DevicePath() : "";
    const int baud = selection_.line.baudRate;
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
    state_.showSerialData = serialShown_;
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
    if (stopping_) {
        return false;  // the window says so; the worker's end is on its way
    }
    ConfirmDialog confirm(this);
    if (!allowAbort_) {
        confirm.SetText("%s", kNotFinishedWait);
        confirm.SetSingleButton(true);
        runner_.Run(confirm);
        return false;
    }
    confirm.SetText("%s", kNotFinishedAsk);
    if (runner_.Run(confirm) == ConfirmDialog::kResultYes && runState_ == kRunning) {
        ShowStopping();
        if (selection_.session) {
            selection_.session->Stop();
        }
    }
    return false;
}

void UploadProgressWindow::OnAbort() {
    if (CloseCheck()) {
        done(QDialog::Accepted);
    }
}

// The window stays until the worker has ended: closed at once, it would leave a unit still being
// sent packets with nobody watching, and the run's end unseen.
void UploadProgressWindow::OnCancel() {
    if (!selection_.kx2 || runState_ != kRunning || stopping_) {
        return;
    }
    QMessageBox question(QMessageBox::Question, QString::fromLatin1(kCaption),
                         QString::fromLatin1(kCancelQuestion), QMessageBox::Yes | QMessageBox::No,
                         this);
    // The run may have ended while the question was open.
    if (runner_.Run(question) != QMessageBox::Yes || runState_ != kRunning) {
        return;
    }
    ShowStopping();
    if (selection_.session) {
        selection_.session->Stop();
    }
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

// No push button is the default here, so the dialog's own handling would let Enter pass without
// effect: it is the default OK command, which ends the window once the run is over.
void UploadProgressWindow::keyPressEvent(QKeyEvent* event) {
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
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
