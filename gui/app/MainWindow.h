// The main window: three firmware slots (COMM, READER, SPEECH) with their pickers and estimates,
// the serial port, the HBD / Tamarack Line / KX2 layouts, and the door to every other window.
// Every refusal is shown in the numbered error dialog; nothing the user picks or the settings
// file holds can stop the window from working.
#pragma once

#include <QUrl>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/DialogErrorReporter.h"
#include "dialogs/FramedDialog.h"
#include "dialogs/SerialTerminalWindow.h"
#include "platform/Clock.h"
#include "program/ProgramState.h"
#include "serial/SerialPortList.h"
#include "session/UploadSession.h"
#include "settings/IniFile.h"

class QMenu;
class QAction;

namespace quillon {

class PaintedButton;
class PaintedLabel;
class DialogRunner;
class FilePicker;
class SerialBackend;
class SoundPreview;
namespace sim {
class SimulatedLine;
}

class MainWindow : public FramedDialog {
    Q_OBJECT

  public:
    enum Slot { kSlotComm, kSlotReader, kSlotSpeech, kSlotCount };
    static constexpr int kNoBaud = -1;
    static constexpr int kMinRememberedBlocks = 100;

    struct SlotState {
        std::string path;
        bool selected = false;
        int32_t blocks = 0;
    };
    // What Start hands the upload window: the selected files and the session that passed the
    // start steps (files read and checked, the port test-opened), with the line it starts on.
    struct UploadRequest {
        FileSelection files;
        bool kx2 = false;
        std::shared_ptr<UploadSession> session;
        RunLine line;
    };

    using UrlOpener = std::function<bool(const QUrl&)>;
    using MenuRunner = std::function<QAction*(QMenu& menu)>;
    using PortLister = std::function<std::vector<SerialPortInfo>()>;
    using UploadWindow = std::function<void(const UploadRequest& request)>;
    using TextView = std::function<void(const SerialTerminalWindow::Line& line)>;
    // Whether an upload of a closed window is still running (a cancelled KX2 run goes on to its
    // next check). Production: the program's kept sessions.
    using UploadRunning = std::function<bool()>;

    // Runs the start-up (folders, settings, remembered files, layout) at once.
    MainWindow(ProgramState& state, DialogRunner& runner, FilePicker& picker, SoundPreview& sounds,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Seams: the desktop viewer, popup tracking, the system's serial devices, the clock and the
    // serial backend of a run, the upload window and the serial text view.
    void SetUrlOpener(UrlOpener opener) {
        iniOpener_ = opener;
        opener_ = std::move(opener);
    }
    void SetMenuRunner(MenuRunner runner) { menuRunner_ = std::move(runner); }
    void SetPortLister(PortLister lister) { portLister_ = std::move(lister); }
    void SetClock(Clock& clock) { clock_ = &clock; }
    void SetSerialLine(std::shared_ptr<SerialBackend> line) { line_ = std::move(line); }
    void SetUploadWindow(UploadWindow window) { uploadWindow_ = std::move(window); }
    void SetTextView(TextView view) { textView_ = std::move(view); }
    void SetUploadRunning(UploadRunning running) { uploadRunning_ = std::move(running); }
    // --simulate: a simulated unit of the mode in force stands behind the port from now on, made
    // anew for each upload, until a port is chosen by hand. False, with the reason, when none
    // could be started.
    bool StartSimulatedUnit(std::string* error);

    const SlotState& SlotAt(Slot slot) const { return slots_.at(slot); }
    int PortNumber() const { return portNumber_; }
    int BaudRate() const { return baudRate_; }
    const std::string& PortDevice() const { return portDevice_; }
    bool ValidateFlag() const { return validate_; }

    PaintedButton* LoadButton(Slot slot) const { return slotControls_.at(slot).load; }
    PaintedButton* SlotIcon(Slot slot) const { return slotControls_.at(slot).icon; }
    PaintedLabel* FileLabel(Slot slot) const { return slotControls_.at(slot).fileName; }
    PaintedLabel* Description(Slot slot) const { return slotControls_.at(slot).description; }
    PaintedLabel* TamarackNotice() const { return tamarackNotice_; }
    PaintedLabel* PortLabel() const { return portLabel_; }
    PaintedButton* LogoButton() const { return logo_; }
    PaintedButton* StartButton() const { return start_; }
    PaintedButton* MinimiseButton() const { return minimise_; }

    // The commands, as the buttons run them.
    void PickSlot(Slot slot);
    void ToggleSlot(Slot slot);
    void SelectSerialPort();
    void ShowRuntimeParams();
    void ShowLogs();
    void ViewHistory();
    void OpenIniFile();
    void CheckForUpgrades();
    void TextHbd();
    void Start();
    void ShowAbout();
    // The right-click popup of a slot's icon or load button; other controls get none.
    void ShowFilePopup(QWidget* control);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct SlotControls {
        PaintedButton* icon = nullptr;
        PaintedLabel* fileName = nullptr;
        PaintedLabel* description = nullptr;
        PaintedButton* load = nullptr;
    };

    void BuildControls();
    void ArrangeKeyboardOrder();
    void DressControls();
    void DressSlot(Slot slot);
    void StartUp();
    void ReadRememberedFiles();
    void ApplyModeLayout();
    void ShowPortLabel();
    // withEstimate: the caption follows the selection and a selected slot shows its estimate;
    // without, the caption stays as it is.
    void ShowSlot(Slot slot, bool withEstimate);
    void RefreshFileLabels();
    void ApplyTamarackMarker(Slot slot);
    bool CheckPort();
    // The serial backend of a run: the simulated unit's line, or the system's.
    std::shared_ptr<SerialBackend> RunLineBackend() const;
    // True (after error 201 saying so) while an earlier upload still holds the port.
    bool RefuseWhileUploadFinishes();
    std::string CurrentDevice() const;
    // The 0-based port index, and the device as messages name it.
    std::string ShownDevice() const;
    void RunUploadWindow(const UploadRequest& request);
    void ShowSerialTextView();

    ProgramState& state_;
    DialogRunner& runner_;
    FilePicker& picker_;
    SoundPreview& sounds_;
    DialogErrorReporter errors_;
    IniFile ini_;

    int portNumber_ = 0;
    int baudRate_ = 0;
    std::string portDevice_;
    bool validate_ = true;
    std::array<SlotState, kSlotCount> slots_{};

    UrlOpener opener_;
    UrlOpener iniOpener_;
    MenuRunner menuRunner_;
    PortLister portLister_;
    SystemClock systemClock_;
    Clock* clock_ = &systemClock_;
    std::shared_ptr<SerialBackend> line_;
    bool simulating_ = false;
    std::unique_ptr<sim::SimulatedLine> simulated_;  // none while one could not be renewed
    UploadWindow uploadWindow_;
    TextView textView_;
    UploadRunning uploadRunning_;

    std::array<SlotControls, kSlotCount> slotControls_{};
    PaintedLabel* tamarackNotice_ = nullptr;
    PaintedLabel* portLabel_ = nullptr;
    PaintedButton* logo_ = nullptr;
    PaintedButton* exit_ = nullptr;
    PaintedButton* close_ = nullptr;
    PaintedButton* minimise_ = nullptr;
    PaintedButton* selectPort_ = nullptr;
    PaintedButton* viewHistory_ = nullptr;
    PaintedButton* textHbd_ = nullptr;
    PaintedButton* runtimeParams_ = nullptr;
    PaintedButton* viewLogs_ = nullptr;
    PaintedButton* openIni_ = nullptr;
    PaintedButton* upgrades_ = nullptr;
    PaintedButton* start_ = nullptr;
};

}  // namespace quillon
