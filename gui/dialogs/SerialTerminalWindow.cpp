#include "dialogs/SerialTerminalWindow.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTextCursor>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <thread>

#include "controls/ExtendedButton.h"
#include "controls/LogTextPane.h"
#include "dialogs/FontRecordQt.h"
#include "dialogs/PaneMenu.h"
#include "dialogs/ProgressLooks.h"
#include "dialogs/QtNotificationSink.h"
#include "records/FontInfoFile.h"
#include "serial/PortName.h"
#include "serial/PosixSerialBackend.h"
#include "serial/SerialPort.h"
#include "upload/UploadJob.h"

namespace quillon {

// The reader's record: the line, the port object and the flags. Shared by the view and the
// reader thread, so the port stays valid for keystrokes as long as the view exists and for the
// reader as long as it runs, whichever ends first. Reads happen on the reader thread, writes on
// the UI thread; the library serialises writes and tolerates a read beside them.
struct TextReader {
    explicit TextReader(QtNotificationSink::Handler handler)
        : port(library), sink(std::move(handler)) {}

    UploadJob job;  // abortRequest = stop request, finished, port number, baud rate, baud code
    PosixSerialBackend library;
    SerialPort port;
    QtNotificationSink sink;
    std::atomic<bool> portOpen{false};
    std::string openError;  // written before UM_PORT_OPEN_FAILED, read in its handler
};

namespace {

constexpr int kMargin = 5;
constexpr int kPaneBottomReserve = 40;
constexpr int kExitWidth = 100;
constexpr int kExitHeight = 30;
constexpr int kExitRight = 105;
constexpr int kExitBottom = 35;
constexpr const char* kHintFormat =
    "%1 at %2 bps. Keys you type (Esc too) go to the unit; EXIT closes this window.";

void ReadLoop(TextReader& r, Clock& clock) {
    const uint8_t index = static_cast<uint8_t>(PortIndex(r.job.portNumber));
    r.library.SetDevice(index, r.job.portDevice);
    r.job.baudCode = SerialPort::BaudCode(r.job.baudRate);
    if (r.port.OpenPort(index, r.job.baudCode) != 0) {
        r.openError = r.library.LastErrorText(index);
        r.port.ClosePort();
        r.job.finished = 1;
        r.job.notifications->Send(Notification(UM_PORT_OPEN_FAILED, r.job.portNumber));
        return;
    }
    r.portOpen = true;
    while (r.job.abortRequest.load() == 0) {
        const int got = r.port.ReadBlock(reinterpret_cast<uint8_t*>(r.port.receiveText.data()),
                                         SerialTerminalWindow::kReadLimit);
        if (got < 1) {
            if (!clock.WaitFor(r.port, SerialTerminalWindow::kPollMs)) {
                clock.Sleep(SerialTerminalWindow::kPollMs);
            }
            continue;
        }
        r.port.receiveText[static_cast<std::size_t>(got)] = '\0';
        Notification n(UM_SERIAL_TEXT, 0);
        // A zero byte ends what is shown of this read.
        n.text = std::string_view(r.port.receiveText.data());
        r.job.notifications->Send(n);
    }
    r.portOpen = false;
    r.port.ClosePort();
    r.job.finished = 1;
}

}  // namespace

SerialTerminalWindow::SerialTerminalWindow(Line line, ProgramState& state, Clock& clock,
                                           QWidget* parent)
    : QDialog(parent), line_(std::move(line)), state_(state), clock_(clock) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowFlags(Qt::Window | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);

    pane_ = new LogTextPane(this);
    pane_->SetForwardCharacters(true);
    pane_->document()->setUndoRedoEnabled(false);
    exit_ = new ExtendedButton(this);
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
    // A reader that did not stop in time ends on its own; it reaches nobody from now on.
    reader_->job.abortRequest = 1;
    reader_->sink.Detach();
}

void SerialTerminalWindow::StartReader() {
    reader_ =
        std::make_shared<TextReader>([this](const Notification& n) { HandleNotification(n); });
    reader_->job.portNumber = line_.portNumber;
    reader_->job.portDevice = line_.portDevice;
    reader_->job.baudRate = line_.baudRate;
    reader_->job.notifications = &reader_->sink;
    std::thread([reader = reader_, &clock = clock_]() mutable {
        ReadLoop(*reader, clock);
        reader.reset();
    }).detach();
}

bool SerialTerminalWindow::ReaderFinished() const {
    return reader_->job.finished.load() != 0;
}

bool SerialTerminalWindow::PortOpen() const {
    return reader_->portOpen.load();
}

void SerialTerminalWindow::HandleNotification(const Notification& n) {
    if (n.code == UM_SERIAL_TEXT) {
        AppendText(QString::fromLatin1(n.text.data(), static_cast<qsizetype>(n.text.size())));
    } else if (n.code == UM_PORT_OPEN_FAILED) {
        const std::string device = line_.portDevice.empty()
                                       ? PosixSerialBackend::DefaultDevicePath(line_.portNumber - 1)
                                       : line_.portDevice;
        char text[1024];
        std::snprintf(text, sizeof text, kPortFailedFormat, device.c_str(), line_.baudRate,
                      reader_->openError.c_str());
        AppendText(QString::fromLatin1(text));
    }
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
    if (reader_->portOpen.load()) {
        reader_->port.WriteByte(byte);
    }
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
    reader_->job.abortRequest = 1;
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
