#include "tools/WindowGallery.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>
#include <fstream>

#include "app/DialogErrorReporter.h"
#include "app/MainWindow.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/FilePicker.h"
#include "dialogs/LogBrowserDialog.h"
#include "dialogs/RuntimeParametersDialog.h"
#include "dialogs/SelectSerialPortDialog.h"
#include "dialogs/SoundPreview.h"
#include "dialogs/TextFileWindow.h"
#include "firmware/FileChecks.h"
#include "firmware/SampleFirmware.h"
#include "settings/IniFile.h"
#include "settings/SettingsKeys.h"

namespace quillon {

namespace {

class SilentPreview final : public SoundPreview {
  public:
    bool PlayAndWait(const std::string&) override { return false; }
};

struct Mode {
    const char* name;
    int kx2;
    int tamarack;
};

class WindowGallery {
  public:
    explicit WindowGallery(QString folder) : folder_(std::move(folder)) {}

    bool Save(QWidget& widget, const char* name) {
        const QString path = QDir(folder_).filePath(QString::fromLatin1(name) + ".png");
        if (!widget.grab().save(path, "PNG")) {
            std::fprintf(stderr, "quillon7-screenshots: cannot write %s\n", qPrintable(path));
            ok_ = false;
        }
        return ok_;
    }
    void Fail(const std::string& why) {
        std::fprintf(stderr, "quillon7-screenshots: %s\n", why.c_str());
        ok_ = false;
    }
    bool Ok() const { return ok_; }

  private:
    QString folder_;
    bool ok_ = true;
};

// A fresh application folder with the four samples in a "firmware" folder.
struct Workspace {
    QTemporaryDir dir;
    ProgramState state;
    std::string firmware;

    bool Prepare(WindowGallery& gallery) {
        if (!dir.isValid()) {
            gallery.Fail("no temporary folder for the screenshots");
            return false;
        }
        state.appDir = dir.path().toStdString() + "/";
        firmware = state.appDir + "firmware";
        std::string error;
        std::vector<std::string> written;
        if (!WriteSampleFiles(firmware, &written, &error)) {
            gallery.Fail(error);
            return false;
        }
        return true;
    }
    QString Sample(SampleKind kind) const {
        return QString::fromStdString(firmware + "/" + DefaultSampleName(kind));
    }
};

// Writes the Tamarack Line marker into a COMM sample, past its header, so picking it switches
// the main window to the Tamarack Line layout as a real railroad's firmware does.
void MarkTamarackLine(const std::string& path) {
    constexpr std::streamoff kMarkerOffset = 40000;
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(kMarkerOffset);
    file.write(kCommTamarackMarker, sizeof kCommTamarackMarker - 1);
}

void RenderMainWindows(WindowGallery& gallery) {
    const Mode modes[] = {{"main_hbd_files_picked", 0, 0},
                          {"main_tamarack_line_files_picked", 0, 1},
                          {"main_kx2_file_picked", 1, 0}};
    for (const Mode& mode : modes) {
        Workspace work;
        if (!work.Prepare(gallery)) {
            return;
        }
        IniFile ini(work.state.IniPath());
        settings::CreateDefaultFile(ini);
        settings::Write(ini, settings::kIsKx2, mode.kx2);
        settings::Write(ini, settings::kTamarackLine, mode.tamarack);
        settings::Write(ini, settings::kPortDevice, std::string("/dev/ttyUSB0"));
        settings::Write(ini, settings::kBaudRate, 115200);
        DialogRunner runner;
        FilePicker picker;
        SilentPreview preview;
        MainWindow main(work.state, runner, picker, preview);
        if (mode.kx2 != 0) {
            picker.AnswerNext(work.Sample(SampleKind::kKx2));
            main.PickSlot(MainWindow::kSlotComm);
        } else {
            if (mode.tamarack != 0) {
                MarkTamarackLine(work.Sample(SampleKind::kComm).toStdString());
            }
            // The file picked last of COMM and READER decides the Tamarack Line setting.
            picker.AnswerNext(work.Sample(SampleKind::kReader));
            picker.AnswerNext(work.Sample(SampleKind::kComm));
            main.PickSlot(MainWindow::kSlotReader);
            main.PickSlot(MainWindow::kSlotComm);
            if (mode.tamarack == 0) {
                picker.AnswerNext(work.Sample(SampleKind::kSpeech));
                main.PickSlot(MainWindow::kSlotSpeech);
            }
        }
        gallery.Save(main, mode.name);
    }
    Workspace fresh;
    if (!fresh.Prepare(gallery)) {
        return;
    }
    DialogRunner runner;
    FilePicker picker;
    SilentPreview preview;
    MainWindow first(fresh.state, runner, picker, preview);
    gallery.Save(first, "main_first_start");
}

void RenderSettingsDialogs(WindowGallery& gallery) {
    Workspace work;
    if (!work.Prepare(gallery)) {
        return;
    }
    IniFile ini(work.state.IniPath());
    settings::CreateDefaultFile(ini);
    settings::Write(ini, settings::kSoundCompleted, work.state.appDir + "sounds/done.wav");
    DialogRunner runner;
    FilePicker picker;
    SilentPreview preview;
    RuntimeParametersDialog params(work.state, runner, picker, preview);
    gallery.Save(params, "settings_runtime_parameters");

    SerialPortInfo usb;
    usb.name = "ttyUSB0";
    usb.devicePath = "/dev/ttyUSB0";
    usb.driver = "ftdi_sio";
    usb.vendorId = "0403";
    usb.productId = "6001";
    usb.manufacturer = "FTDI";
    usb.product = "FT232R USB UART";
    usb.serialNumber = "A50285BI";
    SelectSerialPortDialog serial({usb}, runner);
    serial.SetSelection(3, std::string(), 2);
    gallery.Save(serial, "settings_select_serial_port");
}

void RenderLogBrowser(WindowGallery& gallery) {
    Workspace work;
    if (!work.Prepare(gallery)) {
        return;
    }
    QDir().mkpath(QString::fromStdString(work.state.LogsDir()));
    const struct {
        const char* name;
        std::size_t bytes;
    } logs[] = {{"Quillon_LogMsg_120526_0907_2026.txt", 5300},
                {"Quillon_LogMsg_120526_1132_2026.txt", 812},
                {"Quillon_LogSerial_120526_1132_2026.txt", 74000}};
    for (const auto& log : logs) {
        std::ofstream(work.state.LogsDir() + "/" + log.name) << std::string(log.bytes, 'x');
    }
    DialogRunner runner;
    DialogErrorReporter errors(runner, nullptr);
    LogBrowserDialog browser(work.state.LogsDir(), runner, errors);
    browser.setWindowState(Qt::WindowNoState);
    browser.resize(900, 260);
    browser.List()->setCurrentItem(browser.List()->topLevelItem(1));
    gallery.Save(browser, "logs_browser");
    // What View File shows where the desktop has no viewer.
    std::ofstream(work.state.HistoryPath()) << "12/05/2026 09:07:14 Upload COMM File Successful ("
                                            << work.firmware << "/SAMPLE_COMM.bin) 96 seconds\n";
    TextFileWindow text(QString::fromStdString(work.state.HistoryPath()));
    gallery.Save(text, "text_file_window");
}

}  // namespace

bool RenderWindowScreenshots(const QString& folder) {
    WindowGallery gallery(folder);
    RenderMainWindows(gallery);
    RenderSettingsDialogs(gallery);
    RenderLogBrowser(gallery);
    return gallery.Ok();
}

}  // namespace quillon
