// The main window: start-up from the settings file, slot picks with their checks and estimates,
// the Tamarack Line layout, the popup, Start's refusals and a whole upload through the progress
// window to a simulated unit.
#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <fstream>

#include "app/MainWindow.h"
#include "app/SimulatedPort.h"
#include "app/UploadWindow.h"
#include "controls/ExtendedButton.h"
#include "controls/ExtendedLabel.h"
#include "dialogs/SelectSerialPortDialog.h"
#include "dialogs/SoundPlayer.h"
#include "platform/Clock.h"
#include "serial/PosixSerialBackend.h"
#include "settings/SettingsKeys.h"
#include "tests/gui/app/MainWindowTestSupport.h"
#include "tests/support/FakeSerialBackend.h"

using quillon::IniFile;
using quillon::MainWindow;
using namespace quillon::test;
namespace settings = quillon::settings;

namespace {

constexpr const char* kKx2Unused = "\n\n\n\n\nNot used when loading\nfiles to KX2.";

void WriteHbdSettings(Workspace& work, int tamarack = 0) {
    IniFile ini = work.Ini();
    settings::CreateDefaultFile(ini);
    settings::Write(ini, settings::kIsKx2, 0);
    settings::Write(ini, settings::kTamarackLine, tamarack);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void StartsInKx2ModeAndWritesDefaultsWithoutSettingsFile();
    void RememberedFilesNeedHundredBlocks_data();
    void RememberedFilesNeedHundredBlocks();
    void PickWithWrongExtensionReports210();
    void RejectedFileEmptiesTheSlot();
    void TamarackMarkerSwitchesLayout();
    void EstimateTexts_data();
    void EstimateTexts();
    void IconTogglesRememberedSlotWithoutDialog();
    void PopupOfUnselectedSlotSaysNothingSelected();
    void StartWithNothingSelectedOpensNoPort();
    void StartWithPortThatDoesNotOpenReports201();
    void ErrorsOpenOverTheWindowInFront();
    void ViewHistoryWithoutHistoryReports103();
    void SelectSerialPortWritesSettings();
    void KeyboardStartsOnTheFilesNotOnExit();
    void CompleteUploadThroughProgressWindow();
};

void MainWindowTest::StartsInKx2ModeAndWritesDefaultsWithoutSettingsFile() {
    Workspace work;
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    QCOMPARE(int(work.state.isKx2), 1);
    QCOMPARE(int(work.state.tamarackLine), 0);
    const IniFile ini = work.Ini();
    QCOMPARE(ini.Find("HBD Params", "Retransmit Control Packets").value_or(""), std::string("4"));
    QCOMPARE(ini.Find("MISC", "Show Upload Timing").value_or(""), std::string("0"));
    QCOMPARE(ini.Find("Load Files", "Allow Abort").value_or(""), std::string("0"));
    QVERIFY(!ini.Find("KX2", "Is KX2"));
    QVERIFY(QDir(QString::fromStdString(work.state.LogsDir())).exists());
    QVERIFY(QDir(QString::fromStdString(work.state.TempDir())).exists());
    QCOMPARE(main.PortNumber(), 1);
    QCOMPARE(main.BaudRate(), 19200);
    QCOMPARE(main.PortLabel()->text(), QStringLiteral("Port 1\n19200 bps"));
    QVERIFY(main.LoadButton(MainWindow::kSlotReader)->isHidden());
    QVERIFY(main.LoadButton(MainWindow::kSlotSpeech)->isHidden());
    QVERIFY(!main.LoadButton(MainWindow::kSlotComm)->isHidden());
    QVERIFY(main.TamarackNotice()->isHidden());
    QCOMPARE(main.Description(MainWindow::kSlotReader)->text(), QString::fromLatin1(kKx2Unused));
    QCOMPARE(main.Description(MainWindow::kSlotSpeech)->text(), QString::fromLatin1(kKx2Unused));
    QCOMPARE(main.LoadButton(MainWindow::kSlotComm)->text(), QStringLiteral("Load COMM File"));
    QVERIFY(main.ValidateFlag());
    QCOMPARE(work.watchdog.unexpected, 0);
}

void MainWindowTest::RememberedFilesNeedHundredBlocks_data() {
    QTest::addColumn<qint64>("size");  // -1: no file at the remembered path
    QTest::addColumn<bool>("kept");
    QTest::addColumn<int>("blocks");
    QTest::newRow("95 blocks forgotten") << qint64(131071) << false << 95;
    QTest::newRow("100 blocks kept") << qint64(135168) << true << 100;
    QTest::newRow("shorter than its header") << qint64(20000) << false << -13;
    QTest::newRow("missing file") << qint64(-1) << false << 0;
}

void MainWindowTest::RememberedFilesNeedHundredBlocks() {
    QFETCH(qint64, size);
    QFETCH(bool, kept);
    QFETCH(int, blocks);
    Workspace work;
    WriteHbdSettings(work);
    const std::string path = work.Path("remembered_comm.bin");
    if (size >= 0) {
        MakeSizedFile(path, static_cast<uint64_t>(size));
    }
    IniFile ini = work.Ini();
    settings::Write(ini, settings::kFileComm, path);
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    const MainWindow::SlotState& slot = main.SlotAt(MainWindow::kSlotComm);
    QCOMPARE(slot.path, kept ? path : std::string());
    QCOMPARE(slot.blocks, blocks);
    QVERIFY(!slot.selected);
    QCOMPARE(main.FileLabel(MainWindow::kSlotComm)->text(),
             kept ? QStringLiteral("remembered_comm.bin") : QString());
    // Start-up shows the slot unselected and keeps the template caption.
    QCOMPARE(main.LoadButton(MainWindow::kSlotComm)->text(), QStringLiteral("Load COMM File"));
    QCOMPARE(main.Description(MainWindow::kSlotComm)->text(),
             QStringLiteral("\n\n\n\n\nClick the button to\nSELECT the COMM file."));
    QCOMPARE(work.watchdog.unexpected, 0);
}

void MainWindowTest::PickWithWrongExtensionReports210() {
    Workspace work;
    WriteHbdSettings(work);
    const std::string previous = MakeBoardFile(work.Path("old.bin"), 135168, kCommMarkerText);
    IniFile ini = work.Ini();
    settings::Write(ini, settings::kFileComm, previous);
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    QString filter;
    work.picker.AnswerNext(QString::fromStdString(work.Path("firmware.hex")),
                           [&filter](const quillon::FilePicker::Request& r) { filter = r.filter; });
    work.ExpectError();
    main.PickSlot(MainWindow::kSlotComm);
    QCOMPARE(filter, QStringLiteral("bin files (*.bin);;All files (*)"));
    QCOMPARE(work.errors.size(), std::size_t(1));
    QCOMPARE(work.errors[0].number, 210);
    QCOMPARE(work.errors[0].fileName, QString());
    QCOMPARE(work.errors[0].message,
             QStringLiteral("\n\nIncorrect file type selected\nProgram files have a \".bin\" file "
                            "extension."));
    QCOMPARE(main.SlotAt(MainWindow::kSlotComm).path, previous);
    QVERIFY(!main.SlotAt(MainWindow::kSlotComm).selected);
}

void MainWindowTest::RejectedFileEmptiesTheSlot() {
    Workspace work;
    WriteHbdSettings(work);
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    const std::string small = MakeBoardFile(work.Path("small.bin"), 65535, kCommMarkerText);
    work.picker.AnswerNext(QString::fromStdString(small));
    work.ExpectError();
    main.PickSlot(MainWindow::kSlotComm);
    QCOMPARE(work.errors.size(), std::size_t(1));
    QCOMPARE(work.errors[0].number, 105);
    QCOMPARE(work.errors[0].fileName, QString::fromStdString(small));
    QCOMPARE(work.errors[0].message,
             QStringLiteral("File size test failed.\n\nCOMM File is too small"));
    QCOMPARE(main.SlotAt(MainWindow::kSlotComm).path, std::string());
    QVERIFY(!main.SlotAt(MainWindow::kSlotComm).selected);
    QCOMPARE(main.FileLabel(MainWindow::kSlotComm)->text(), QString());
}

void MainWindowTest::TamarackMarkerSwitchesLayout() {
    Workspace work;
    WriteHbdSettings(work);
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    QVERIFY(!main.LoadButton(MainWindow::kSlotSpeech)->isHidden());
    QVERIFY(main.TamarackNotice()->isHidden());
    const std::string comm = MakeBoardFile(work.Path("tamarack.bin"), 135168, kCommMarkerText,
                                           " Tamarack Line Railroad");
    work.picker.AnswerNext(QString::fromStdString(comm));
    main.PickSlot(MainWindow::kSlotComm);
    QCOMPARE(int(work.state.tamarackLine), 1);
    QCOMPARE(work.Ini().Find("MISC", "Tamarack Line").value_or(""), std::string("1"));
    QVERIFY(main.LoadButton(MainWindow::kSlotSpeech)->isHidden());
    QVERIFY(main.SlotIcon(MainWindow::kSlotSpeech)->isHidden());
    QVERIFY(main.Description(MainWindow::kSlotSpeech)->isHidden());
    QVERIFY(!main.TamarackNotice()->isHidden());
    QVERIFY(!main.LoadButton(MainWindow::kSlotReader)->isHidden());

    // A READER file without its marker, picked last, turns the setting off again.
    const std::string reader = MakeBoardFile(work.Path("reader.bin"), 135168, kReaderMarkerText);
    work.picker.AnswerNext(QString::fromStdString(reader));
    main.PickSlot(MainWindow::kSlotReader);
    QCOMPARE(int(work.state.tamarackLine), 0);
    QCOMPARE(work.Ini().Find("MISC", "Tamarack Line").value_or(""), std::string("0"));
    QVERIFY(!main.LoadButton(MainWindow::kSlotSpeech)->isHidden());
    QVERIFY(main.TamarackNotice()->isHidden());
    QCOMPARE(work.watchdog.unexpected, 0);
}

void MainWindowTest::EstimateTexts_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("estimate");
    QTest::newRow("READER 480 blocks")
        << int(MainWindow::kSlotReader) << qint64(524288) << QStringLiteral("      16 minutes");
    QTest::newRow("COMM 480 blocks")
        << int(MainWindow::kSlotComm) << qint64(524288) << QStringLiteral("      8 minutes");
    QTest::newRow("READER 240 blocks") << int(MainWindow::kSlotReader) << qint64(32768 + 240 * 1024)
                                       << QStringLiteral("      8 minutes");
    QTest::newRow("SPEECH 300 blocks")
        << int(MainWindow::kSlotSpeech) << qint64(307200) << QStringLiteral("      5 minutes");
    QTest::newRow("COMM 59 blocks") << int(MainWindow::kSlotComm) << qint64(32768 + 59 * 1024)
                                    << QStringLiteral("      59 seconds");
    QTest::newRow("COMM 61 blocks") << int(MainWindow::kSlotComm) << qint64(32768 + 61 * 1024)
                                    << QStringLiteral("      1 min 1 sec");
}

void MainWindowTest::EstimateTexts() {
    QFETCH(int, slot);
    QFETCH(qint64, size);
    QFETCH(QString, estimate);
    Workspace work;
    WriteHbdSettings(work);
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    const auto which = static_cast<MainWindow::Slot>(slot);
    const std::string path = work.Path("board.bin");
    const char* marker = which == MainWindow::kSlotReader ? kReaderMarkerText : kCommMarkerText;
    MakeBoardFile(path, static_cast<uint64_t>(size),
                  which == MainWindow::kSlotSpeech ? "" : marker);
    work.picker.AnswerNext(QString::fromStdString(path));
    main.PickSlot(which);
    QVERIFY(main.SlotAt(which).selected);
    const QString expected =
        which == MainWindow::kSlotSpeech
            ? QStringLiteral(
                  "Estimate To Cmplete:\n%1\n\n\nClick the button to\nCLEAR your selection.")
            : QStringLiteral(
                  "Estimate To Cmplete:\n%1\n\n\n\nClick the button to\nCLEAR your selection.");
    QCOMPARE(main.Description(which)->text(), expected.arg(estimate));
    const char* clear[] = {"CLEAR Comm File", "CLEAR Reader File", "CLEAR Speech File"};
    QCOMPARE(main.LoadButton(which)->text(), QString::fromLatin1(clear[slot]));
    QCOMPARE(main.FileLabel(which)->text(), QStringLiteral("board.bin"));

    // The load button of a selected slot clears it without a dialog.
    main.PickSlot(which);
    QVERIFY(!main.SlotAt(which).selected);
    QCOMPARE(main.SlotAt(which).path, path);
    const char* load[] = {"Load Comm File", "Load Reader File", "Load Speech File"};
    QCOMPARE(main.LoadButton(which)->text(), QString::fromLatin1(load[slot]));
    QCOMPARE(work.picker.PendingAnswers(), std::size_t(0));
    QCOMPARE(work.watchdog.unexpected, 0);
}

void MainWindowTest::IconTogglesRememberedSlotWithoutDialog() {
    Workspace work;
    WriteHbdSettings(work);
    const std::string path = MakeBoardFile(work.Path("kept.bin"), 135168, kCommMarkerText);
    IniFile ini = work.Ini();
    settings::Write(ini, settings::kFileComm, path);
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    main.SlotIcon(MainWindow::kSlotComm)->click();
    QVERIFY(main.SlotAt(MainWindow::kSlotComm).selected);
    QVERIFY(
        main.Description(MainWindow::kSlotComm)->text().contains(QStringLiteral("1 min 40 sec")));
    main.SlotIcon(MainWindow::kSlotComm)->click();
    QVERIFY(!main.SlotAt(MainWindow::kSlotComm).selected);

    // An empty slot's icon opens the picker instead.
    bool asked = false;
    work.picker.AnswerNext(std::nullopt,
                           [&asked](const quillon::FilePicker::Request&) { asked = true; });
    main.SlotIcon(MainWindow::kSlotReader)->click();
    QVERIFY(asked);
    QVERIFY(!main.SlotAt(MainWindow::kSlotReader).selected);
    QCOMPARE(work.watchdog.unexpected, 0);
}

void MainWindowTest::PopupOfUnselectedSlotSaysNothingSelected() {
    Workspace work;
    WriteHbdSettings(work);
    const std::string path = MakeBoardFile(work.Path("kept.bin"), 135168, kCommMarkerText);
    IniFile ini = work.Ini();
    settings::Write(ini, settings::kFileComm, path);
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    QStringList entries;
    main.SetMenuRunner([&entries](QMenu& menu) -> QAction* {
        entries.clear();
        for (QAction* action : menu.actions()) {
            entries << action->text();
        }
        return menu.actions().last();
    });
    main.ShowFilePopup(main.LoadButton(MainWindow::kSlotComm));
    QCOMPARE(entries, QStringList({QStringLiteral("COMM File:"),
                                   QStringLiteral("No File has been Selected Yet!")}));
    main.ToggleSlot(MainWindow::kSlotComm);
    main.ShowFilePopup(main.SlotIcon(MainWindow::kSlotComm));
    QCOMPARE(entries, QStringList({QStringLiteral("COMM File:"), QString::fromStdString(path)}));
    entries.clear();
    main.ShowFilePopup(main.StartButton());
    QVERIFY(entries.isEmpty());
}

void MainWindowTest::StartWithNothingSelectedOpensNoPort() {
    Workspace work;
    WriteHbdSettings(work);
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    FakeSerialBackend line;
    main.SetSerialLibrary(line, {});
    bool uploaded = false;
    main.SetUploadWindow([&uploaded](const MainWindow::UploadRequest&) { uploaded = true; });
    work.ExpectError();
    main.StartButton()->click();
    QCOMPARE(work.errors.size(), std::size_t(1));
    QCOMPARE(work.errors[0].number, 200);
    QCOMPARE(work.errors[0].message, QStringLiteral("\n\nNo file has been selected to upload!"));
    QVERIFY(line.Calls().empty());
    QVERIFY(!uploaded);
}

void MainWindowTest::StartWithPortThatDoesNotOpenReports201() {
    Workspace work;
    WriteHbdSettings(work);
    IniFile ini = work.Ini();
    const std::string device = work.Path("no-such-tty");
    settings::Write(ini, settings::kPortDevice, device);
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    bool uploaded = false;
    main.SetUploadWindow([&uploaded](const MainWindow::UploadRequest&) { uploaded = true; });
    const std::string comm = MakeBoardFile(work.Path("comm.bin"), 135168, kCommMarkerText);
    work.picker.AnswerNext(QString::fromStdString(comm));
    main.PickSlot(MainWindow::kSlotComm);
    // While an earlier run's worker still holds the port, Start says so and opens nothing.
    main.SetUploadRunning([]() { return true; });
    work.ExpectError();
    main.Start();
    QCOMPARE(work.errors.size(), std::size_t(1));
    QVERIFY(work.errors[0].message.contains(QStringLiteral("upload is still finishing")));
    main.SetUploadRunning([]() { return false; });
    work.errors.clear();
    work.ExpectError();
    main.Start();
    QCOMPARE(work.errors.size(), std::size_t(1));
    QCOMPARE(work.errors[0].number, 201);
    QVERIFY2(work.errors[0].message.startsWith(
                 QStringLiteral("Failed to open serial port!\n\nPort: %1\nBaud Rate: 19200")
                     .arg(QString::fromStdString(device))),
             qPrintable(work.errors[0].message));
    QVERIFY(!uploaded);
    // The selection was remembered before the port was tried; the slot stays selected.
    QCOMPARE(work.Ini().Find("File Names", "Comm").value_or(""), comm);
    QVERIFY(main.SlotAt(MainWindow::kSlotComm).selected);
}

void MainWindowTest::ErrorsOpenOverTheWindowInFront() {
    Workspace work;
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    QDialog front(&main);  // the log browser, say
    work.watchdog.SetHandler([&front](QDialog& dialog) { return &dialog == &front; });
    front.setModal(true);
    front.show();
    QWidget* errorParent = nullptr;
    work.runner.AnswerNext(quillon::FramedDialog::kResultOk,
                           [&errorParent](QDialog& error) { errorParent = error.parentWidget(); });
    main.Start();  // nothing selected: error 200
    QCOMPARE(errorParent, &front);
}

void MainWindowTest::ViewHistoryWithoutHistoryReports103() {
    Workspace work;
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    QList<QUrl> opened;
    main.SetUrlOpener([&opened](const QUrl& url) {
        opened << url;
        return true;
    });
    work.ExpectError();
    main.ViewHistory();
    QCOMPARE(work.errors.size(), std::size_t(1));
    QCOMPARE(work.errors[0].number, 103);
    QCOMPARE(work.errors[0].fileName, QString::fromStdString(work.state.HistoryPath()));
    QVERIFY(opened.isEmpty());
    std::ofstream(work.state.HistoryPath()) << "history\n";
    main.ViewHistory();
    QCOMPARE(opened,
             QList<QUrl>({QUrl::fromLocalFile(QString::fromStdString(work.state.HistoryPath()))}));
}

void MainWindowTest::SelectSerialPortWritesSettings() {
    Workspace work;
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    quillon::SerialPortInfo usb;
    usb.devicePath = "/dev/pts/7";
    main.SetPortLister([usb]() { return std::vector<quillon::SerialPortInfo>{usb}; });
    work.runner.AnswerNext(quillon::FramedDialog::kResultOk, [](QDialog& dialog) {
        auto* serial = qobject_cast<quillon::SelectSerialPortDialog*>(&dialog);
        QVERIFY(serial != nullptr);
        serial->PortList()->setCurrentIndex(quillon::SelectSerialPortDialog::kListedPorts);
        serial->BaudList()->setCurrentIndex(6);
        serial->SaveButton()->click();
    });
    main.SelectSerialPort();
    QCOMPARE(main.PortDevice(), std::string("/dev/pts/7"));
    QCOMPARE(main.BaudRate(), 115200);
    QCOMPARE(main.PortLabel()->text(), QStringLiteral("pts/7\n115200 bps"));
    const IniFile ini = work.Ini();
    QCOMPARE(ini.Find("Serial Port", "Baud Rate").value_or(""), std::string("115200"));
    QCOMPARE(ini.Find("Serial Port", "Port Number").value_or(""), std::string("1"));
    QCOMPARE(ini.Find("Serial Port", "Device").value_or(""), std::string("/dev/pts/7"));
}

void MainWindowTest::KeyboardStartsOnTheFilesNotOnExit() {
    Workspace work;
    WriteHbdSettings(work);
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    work.watchdog.SetHandler([&main](QDialog& dialog) { return &dialog == &main; });
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QCOMPARE(QApplication::focusWidget(), main.LoadButton(MainWindow::kSlotComm));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), main.LoadButton(MainWindow::kSlotReader));
}

void MainWindowTest::CompleteUploadThroughProgressWindow() {
    Workspace work;
    WriteHbdSettings(work);
    MainWindow main(work.state, work.runner, work.picker, work.preview);
    quillon::SimulatedPort simulated;
    main.SetSimulatedPort(&simulated);
    quillon::SystemClock clock;
    quillon::NullSoundPlayer sounds;
    main.SetUploadWindow(
        quillon::MakeUploadWindow({work.state, clock, work.runner, sounds,
                                   []() -> std::shared_ptr<quillon::SerialBackend> {
                                       return std::make_shared<quillon::PosixSerialBackend>();
                                   }},
                                  &main));
    bool sawWindow = false;
    int endedState = 0;
    work.watchdog.SetHandler([&](QDialog& dialog) {
        auto* window = qobject_cast<quillon::UploadProgressWindow*>(&dialog);
        if (window == nullptr) {
            return false;
        }
        sawWindow = true;
        if (window->RunState() == quillon::UploadProgressWindow::kEnded) {
            endedState = window->RunState();
            dialog.done(0);
        }
        return true;
    });
    const std::string comm = MakeBoardFile(work.Path("comm.bin"), 65536, kCommMarkerText);
    work.picker.AnswerNext(QString::fromStdString(comm));
    main.PickSlot(MainWindow::kSlotComm);
    QVERIFY(main.SlotAt(MainWindow::kSlotComm).selected);
    main.Start();
    QVERIFY(sawWindow);
    QCOMPARE(endedState, int(quillon::UploadProgressWindow::kEnded));
    QVERIFY(!main.SlotAt(MainWindow::kSlotComm).selected);
    QCOMPARE(main.LoadButton(MainWindow::kSlotComm)->text(), QStringLiteral("Load Comm File"));
    std::ifstream history(work.state.HistoryPath());
    const std::string text((std::istreambuf_iterator<char>(history)),
                           std::istreambuf_iterator<char>());
    QVERIFY2(text.find("Upload COMM File Successful (" + comm + ")") != std::string::npos,
             text.c_str());
    QCOMPARE(work.watchdog.unexpected, 0);
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
