#include "dialogs/SerialTerminalWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTextCursor>
#include <QTimer>
#include <cstdio>

#include "controls/LogTextPane.h"
#include "controls/PaintedButton.h"
#include "dialogs/FontRecordQt.h"
#include "dialogs/PaneMenu.h"
#include "dialogs/ProgressLooks.h"
#include "dialogs/QtEventSink.h"
#include "records/FontInfoFile.h"
#include "session/TerminalSession.h"

namespace quillon {

namespace {

constexpr int kMargin = 5;
constexpr int kPaneBottomReserve = 40;
constexpr int kExitWidth = 100;
constexpr int kExitHeight = 30;
constexpr int kExitRight = 105;
constexpr int kExitBottom = 35;
constexpr const char* kHintFormat =
    "%1 at %2 bps. Keys you type (Esc too) go to the unit; EXIT closes this window.";

}  // namespace

SerialTerminalWindow::SerialTerminalWindow(Line line, ProgramState& state, Clock& clock,
                                           QWidget* parent)
    : QDialog(parent), line_(std::move(line)), state_(state), clock_(clock) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);

    pane_ = new LogTextPane(this);
    pane_->SetForwardCharacters(true);
    pane_->document()->setUndoRedoEnabled(false);
    exit_ = new PaintedButton(this);
    exit_->SetText("EXIT");
    ProgressLooks::AbortOrCancel(*exit_);  // readable on any face: yellow on red
    const QString port = line_.portDevice.empty() ? QStringLiteral("Port %1").arg(line_.portNumber)
                                                  : QString::fromStdString(line_.portDevice);
    hint_ = new QLabel(QString::fromLatin1(kHintFormat).arg(port).arg(line_.baudRate), this);
    hint_->setWordWrap(true);  // a long device path takes a second line
    menu_ = std::make_unique<PaneMenu>(state_.TempDir(), clock_);

    FontRecord font;
    FontInfoFile(state_.FontInfoPath()).LoadFonts(nullptr, nullptr, &font);
    pane_->setFont(ToQFont(font));

    connect(exit_, &QAbstractButton::clicked, this, &SerialTerminalWindow::OnExit);
    connect(pane_, &LogTextPane::characterTyped, this, [this](QChar c, int) { SendCharacter(c); });
    connect(pane_, &LogTextPane::rightButtonPressed, this, [this](LogTextPane* pane) {
        const int item = menu_->Track(this, QCursor::pos());
        if (auto chosen = menu_->Execute(item, *pane, this)) {
            const FontRecord record = FontRecordFromQFont(*chosen);
            FontInfoFile(state_.FontInfoPath()).SaveFonts(nullptr, nullptr, &record);
        }
    });

    AppendText(QStringLiteral("\n\n"));
    setWindowState(Qt::WindowMaximized);
    Arrange();
    StartReader();
}

SerialTerminalWindow::~SerialTerminalWindow() {
    // From now on the reader reaches nobody. It ends at its next poll; until then the event loop
    // runs, so a reader in the middle of handing over text is not left waiting for this thread.
    session_->Stop();
    sink_->Detach();
    while (!session_->Ended()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(kPollMs));
    }
}

void SerialTerminalWindow::StartReader() {
    session_ = std::make_unique<TerminalSession>(clock_, line_.library);
    sink_ = std::make_shared<QtTerminalSink>(
        [this](std::string_view text) {
            // A zero byte ends what is shown of one read.
            const std::string_view shown = text.substr(0, text.find('\0'));
            AppendText(QString::fromLatin1(shown.data(), static_cast<qsizetype>(shown.size())));
        },
        [] {});
    std::string reason;
    if (!session_->Open({line_.portNumber, line_.portDevice}, line_.baudRate, &reason)) {
        char text[1024];
        std::snprintf(text, sizeof text, kPortFailedFormat, session_->DevicePath().c_str(),
                      line_.baudRate, reason.c_str());
        AppendText(QString::fromLatin1(text));
        return;
    }
    session_->StartReading(sink_);
}

bool SerialTerminalWindow::ReaderFinished() const {
    return session_->Ended();
}

bool SerialTerminalWindow::PortOpen() const {
    return session_->IsOpen();
}

void SerialTerminalWindow::AppendText(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    pane_->setFocus();
    pane_->AppendText(text);
    QTextCursor caret(pane_->document());
    caret.movePosition(QTextCursor::End);
    pane_->setTextCursor(caret);
    pane_->ensureCursorVisible();
}

void SerialTerminalWindow::WriteByte(uint8_t byte) {
    session_->Send(byte);
}

void SerialTerminalWindow::SendCharacter(QChar character) {
    const auto byte = static_cast<uint8_t>(character.unicode() & 0xFF);
    if (byte == kEscapeByte) {
        reject();  // Esc typed in the pane is the same command as Esc on the window
        return;
    }
    WriteByte(byte);
    if (echo_) {
        AppendText(QString(character));
    }
}

void SerialTerminalWindow::reject() {
    WriteByte(kEscapeByte);
}

void SerialTerminalWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (!Stopping()) {
        reject();
    }
}

void SerialTerminalWindow::OnExit() {
    if (Stopping()) {
        return;
    }
    session_->Stop();
    if (ReaderFinished()) {
        done(QDialog::Accepted);
        return;
    }
    // Checked from the event loop: the UI thread never sleeps for the reader.
    stopChecks_ = 0;
    stopTimer_ = new QTimer(this);
    connect(stopTimer_, &QTimer::timeout, this, [this] {
        if (ReaderFinished() || ++stopChecks_ >= kStopChecks) {
            stopTimer_->stop();
            done(QDialog::Accepted);
        }
    });
    stopTimer_->start(static_cast<int>(kPollMs));
}

void SerialTerminalWindow::Arrange() {
    const int w = width();
    const int h = height();
    pane_->setGeometry(kMargin, kMargin, std::max(0, w - 2 * kMargin),
                       std::max(0, h - kPaneBottomReserve));
    exit_->setGeometry(w - kExitRight, h - kExitBottom, kExitWidth, kExitHeight);
    hint_->setGeometry(kMargin, h - kExitBottom, std::max(0, w - kExitRight - 2 * kMargin),
                       kExitHeight);
}

void SerialTerminalWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (pane_ != nullptr) {
        Arrange();
    }
}

}  // namespace quillon
