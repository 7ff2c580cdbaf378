// The serial text view: a terminal on the selected port, over a terminal session whose reader
// shows what the unit sends; typed characters go out as single bytes (and are echoed); Esc sends
// 0x1B and keeps the view open; EXIT stops the reader and closes within 4 seconds without
// blocking the UI thread. A port that will not open is said in the pane; the view then stays open
// with no reader.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "platform/Clock.h"
#include "program/ProgramState.h"
#include "serial/SerialBackend.h"

class QLabel;
class QTimer;

namespace quillon {

class PaintedButton;
class LogTextPane;
class PaneMenu;
class QtTerminalSink;
class TerminalSession;

class SerialTerminalWindow : public QDialog {
    Q_OBJECT

  public:
    // Named after the main window's button that opens it.
    static constexpr const char* kCaption = "Text HBD";
    static constexpr uint8_t kEscapeByte = 0x1B;
    static constexpr uint32_t kPollMs = 100;
    static constexpr int kStopChecks = 40;
    static constexpr const char* kPortFailedFormat =
        "\nFailed to open serial port!\n\nPort: %s\nBaud Rate: %d\n%s\n";

    struct Line {
        int portNumber = 1;      // 1-based
        std::string portDevice;  // empty: the default device of the number
        int baudRate = 19200;
        // The serial library to open it with (the system's, or a simulated unit's line).
        std::shared_ptr<SerialBackend> library;
    };

    // state and clock belong to the program and outlive the view.
    SerialTerminalWindow(Line line, ProgramState& state, Clock& clock, QWidget* parent = nullptr);
    ~SerialTerminalWindow() override;

    void SetEcho(bool on) { echo_ = on; }
    bool Echo() const { return echo_; }

    // Esc and the close box: 0x1B to the unit, the view stays.
    void reject() override;
    // Enter belongs to the terminal, not to the dialog.
    void accept() override {}

    // EXIT: stop the reader, close once it has ended or after 4 seconds.
    void OnExit();
    // A typed character: its low 8 bits to the unit, echoed when the echo is on.
    void SendCharacter(QChar character);
    // Appends received or echoed text; an empty text is ignored.
    void AppendText(const QString& text);

    LogTextPane* Pane() const { return pane_; }
    PaintedButton* ExitButton() const { return exit_; }
    // The line under the pane: which port, at what rate, and how to leave.
    QLabel* Hint() const { return hint_; }
    PaneMenu& Menu() const { return *menu_; }
    bool ReaderFinished() const;
    bool PortOpen() const;
    bool Stopping() const { return stopTimer_ != nullptr; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void StartReader();
    void WriteByte(uint8_t byte);
    void Arrange();

    Line line_;
    ProgramState& state_;
    Clock& clock_;
    bool echo_ = true;
    std::unique_ptr<TerminalSession> session_;
    std::shared_ptr<QtTerminalSink> sink_;
    LogTextPane* pane_ = nullptr;
    QLabel* hint_ = nullptr;
    PaintedButton* exit_ = nullptr;
    std::unique_ptr<PaneMenu> menu_;
    QTimer* stopTimer_ = nullptr;
    int stopChecks_ = 0;
};

}  // namespace quillon
