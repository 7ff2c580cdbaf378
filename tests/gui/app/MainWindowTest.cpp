// The main window and the settings dialogs it opens, in a temporary application folder: start-up
// from the settings file, slot picks with their checks and estimates, the Tamarack Line layout,
// Start's refusals, a whole upload through the progress window to a simulated unit, and what the
// Runtime Parameters and serial port dialogs store.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "app/MainWindow.h"
#include "app/UploadWindow.h"
#include "controls/PaintedButton.h"
#include "controls/PaintedCheckBox.h"
#include "controls/PaintedLabel.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/ErrorMessageDialog.h"
#include "dialogs/FilePicker.h"
#include "dialogs/RuntimeParametersDialog.h"
#include "dialogs/SelectSerialPortDialog.h"
#include "dialogs/SoundPlayer.h"
#include "dialogs/SoundPreview.h"
#include "dialogs/TextFileWindow.h"
#include "dialogs/UploadSessions.h"
#include "platform/Clock.h"
#include "serial/SystemSerialBackend.h"
#include "settings/SettingsKeys.h"
#include "tests/core/firmware/FileTestHelpers.h"
#include "tests/support/FakeSerialBackend.h"

using namespace quillon;
using namespace test;

namespace {

class RecordingPreview final : public SoundPreview {
  public:
    bool PlayAndWait(const std::string& path) override {
        played.push_back(path);
        return true;
    }
    std::vector<std::string> played;
};

struct ShownError {
    int number;
    QString message;
    QWidget* parent;
};

// A temporary application folder with the seams answered in advance. A modal dialog that no
// answer and no `expected` takes care of is closed after a while and fails the test, so a
// missing answer cannot hang it.
struct Workspace {
    QTemporaryDir dir;
    ProgramState state;
    DialogRunner runner;
    FilePicker picker;
    RecordingPreview preview;
    std::function<bool(QDialog&)> expected;  // true: the test handles (and may close) it
    int unexpected = 0;
    std::vector<ShownError> errors;
    QTimer watchdog;

    explicit Workspace(bool hbd = false) {
        state.appDir = dir.path().toStdString() + "/";
        QObject::connect(&watchdog, &QTimer::timeout, [this]() {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog != nullptr && !(expected && expected(*dialog))) {
                ++unexpected;
                dialog->done(0);
            }
        });
        watchdog.start(200);
        if (hbd) {
            IniFile ini = Ini();
            settings::CreateDefaultFile(ini);
            settings::Write(ini, settings::kIsKx2, 0);
        }
    }
    ~Workspace() {
        if (unexpected != 0) {
            QTest::qFail("a dialog no test expected was shown", __FILE__, __LINE__);
        }
    }
    IniFile Ini() const { return IniFile(state.IniPath()); }
    // A stored value, "?" when the key is missing.
    std::string Setting(const std::string& section, const std::string& key) const {
        return Ini().Find(section, key).value_or("?");
    }
    std::string Path(const std::string& name) const { return state.appDir + name; }
    std::string IniText() const {
        std::ifstream in(state.IniPath(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The next error dialog is answered with OK and recorded.
    void ExpectError() {
        runner.AnswerNext(FramedDialog::kResultOk, [this](QDialog& dialog) {
            auto* error = qobject_cast<ErrorMessageDialog*>(&dialog);
            errors.push_back({error == nullptr ? -1 : error->ErrorNumber(),
                              error == nullptr ? QString() : error->Message(),
                              dialog.parentWidget()});
        });
    }
};

// A COMM or READER file of size bytes with its content marker (and more text when given).
std::string MakeBoardFile(const std::string& path, uint64_t size, bool reader,
                          const std::string& extra = {}) {
    MakeSizedFile(path, size);
    const std::string marker =
        reader ? "EESegFlags != AMD_ALL_BANKS_VALID" : "Comm is in Bank0" + extra;
    if (size > 40064) {
        PutBytes(path, 40000, marker);
    }
    return path;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void StartsInKx2ModeWithDefaultsThenStoresAChosenPort() {
        Workspace work;
        MainWindow main(work.state, work.runner, work.picker, work.preview);
        QCOMPARE(int(work.state.isKx2), 1);
        QCOMPARE(work.Setting("HBD Params", "Retransmit Control Packets"), std::string("4"));
        QVERIFY(main.LoadButton(MainWindow::kSlotReader)->isHidden());
        QVERIFY(main.LoadButton(MainWindow::kSlotSpeech)->isHidden());
        // A port chosen in its dialog is shown and stored.
        SerialPortInfo usb;
        usb.devicePath = "/dev/pts/7";
        main.SetPortLister([usb]() { return std::vector<SerialPortInfo>{usb}; });
        work.runner.AnswerNext(FramedDialog::kResultOk, [](QDialog& dialog) {
            auto* serial = qobject_cast<SelectSerialPortDialog*>(&dialog);
            QVERIFY(serial != nullptr);
            serial->PortList()->setCurrentIndex(SelectSerialPortDialog::kListedPorts);
            serial->BaudList()->setCurrentIndex(6);
            serial->SaveButton()->click();
        });
        main.SelectSerialPort();
        QCOMPARE(main.PortLabel()->text(), QStringLiteral("pts/7\n115200 bps"));
        // The slots drawn anew for the rate are drawn for the mode.
        QVERIFY(main.Description(MainWindow::kSlotSpeech)->text().endsWith("files to KX2."));
        QCOMPARE(work.Setting("Serial Port", "Baud Rate"), std::string("115200"));
        QCOMPARE(work.Setting("Serial Port", "Device"), std::string("/dev/pts/7"));
    }

    void RememberedFilesNeedHundredBlocks_data() {
        QTest::addColumn<int>("slot");
        QTest::addColumn<qint64>("size");  // -1: no file at the remembered path
        QTest::addColumn<int>("blocks");   // kept from 100 blocks
        const int comm = MainWindow::kSlotComm;
        QTest::newRow("COMM 95 blocks forgotten") << comm << qint64(131071) << 95;
        QTest::newRow("COMM 100 blocks kept") << comm << qint64(135168) << 100;
        QTest::newRow("shorter than its header") << comm << qint64(20000) << -13;
        QTest::newRow("missing file") << comm << qint64(-1) << 0;
        QTest::newRow("SPEECH 100 blocks, no boot area")
            << int(MainWindow::kSlotSpeech) << qint64(102400) << 100;
    }
    void RememberedFilesNeedHundredBlocks() {
        QFETCH(int, slot);
        QFETCH(qint64, size);
        QFETCH(int, blocks);
        Workspace work(true);
        const std::string path = work.Path("remembered.bin");
        if (size >= 0) {
            MakeSizedFile(path, static_cast<uint64_t>(size));
        }
        IniFile ini = work.Ini();
        settings::Write(ini, slot == 0 ? settings::kFileComm : settings::kFileSpeech, path);
        MainWindow main(work.state, work.runner, work.picker, work.preview);
        const auto which = static_cast<MainWindow::Slot>(slot);
        QCOMPARE(main.SlotAt(which).path, blocks >= 100 ? path : std::string());
        QCOMPARE(main.SlotAt(which).blocks, blocks);
        QVERIFY(!main.SlotAt(which).selected);
        QCOMPARE(main.FileLabel(which)->text().isEmpty(), blocks < 100);
        // The icon selects a remembered file; on an empty slot it opens the picker.
        work.picker.AnswerNext(std::nullopt);
        main.SlotIcon(which)->click();
        QCOMPARE(main.SlotAt(which).selected, blocks >= 100);
        QCOMPARE(work.picker.PendingAnswers(), std::size_t(blocks >= 100 ? 1 : 0));
    }

    void TamarackMarkerSwitchesLayout() {
        Workspace work(true);
        MainWindow main(work.state, work.runner, work.picker, work.preview);
        work.picker.AnswerNext(QString::fromStdString(
            MakeBoardFile(work.Path("tamarack.bin"), 135168, false, " Tamarack Line Railroad")));
        main.PickSlot(MainWindow::kSlotComm);
        QCOMPARE(work.Setting("MISC", "Tamarack Line"), std::string("1"));
        QVERIFY(main.LoadButton(MainWindow::kSlotSpeech)->isHidden());
        QVERIFY(main.SlotIcon(MainWindow::kSlotSpeech)->isHidden());
        QVERIFY(!main.TamarackNotice()->isHidden());
        // A READER file without the marker, picked last, turns the setting off again.
        work.picker.AnswerNext(
            QString::fromStdString(MakeBoardFile(work.Path("reader.bin"), 135168, true)));
        main.PickSlot(MainWindow::kSlotReader);
        QCOMPARE(work.Setting("MISC", "Tamarack Line"), std::string("0"));
        QVERIFY(!main.LoadButton(MainWindow::kSlotSpeech)->isHidden());
        QVERIFY(main.TamarackNotice()->isHidden());
    }

    void Picks_data() {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("estimate");  // or the error number of a refused file
        QTest::newRow("READER 480 blocks") << 1 << "b.bin" << qint64(524288) << "16 minutes";
        QTest::newRow("COMM 480 blocks") << 0 << "b.bin" << qint64(524288) << "8 minutes";
        QTest::newRow("SPEECH 300 blocks") << 2 << "b.bin" << qint64(307200) << "5 minutes";
        QTest::newRow("COMM 61 blocks")
            << 0 << "b.bin" << qint64(32768 + 61 * 1024) << "1 min 1 sec";
        QTest::newRow("KX2 file, counted as its run counts it")
            << 0 << "b.kx" << qint64(9000) << "10 seconds";
        QTest::newRow("long name and path cut in the middle")
            << 0 << QString(200, 'd') + "/COMM_FIRMWARE_WITH_A_LONG_NAME_v2.bin" << qint64(135168)
            << "1 min 40 sec";
        QTest::newRow("wrong extension keeps the remembered file")
            << 0 << "b.hex" << qint64(135168) << "210";
        QTest::newRow("too small empties the slot") << 0 << "b.bin" << qint64(65535) << "105";
    }
    void Picks() {
        QFETCH(int, slot);
        QFETCH(QString, name);
        QFETCH(qint64, size);
        QFETCH(QString, estimate);
        Workspace work(!name.endsWith(".kx"));
        const std::string remembered = MakeBoardFile(work.Path("old.bin"), 135168, false);
        IniFile ini = work.Ini();
        settings::Write(ini, settings::kFileComm, remembered);
        MainWindow main(work.state, work.runner, work.picker, work.preview);
        const auto which = static_cast<MainWindow::Slot>(slot);
        const std::string path = work.Path(name.toStdString());
        QDir().mkpath(QFileInfo(QString::fromStdString(path)).path());
        MakeBoardFile(path, static_cast<uint64_t>(size), which == MainWindow::kSlotReader);
        QString title;
        work.picker.AnswerNext(
            QString::fromStdString(path),
            [&title](const FilePicker::Request& asked) { title = asked.caption; });
        const bool refused = estimate.toInt() != 0;
        if (refused) {
            work.ExpectError();
        }
        main.PickSlot(which);
        if (refused) {
            QCOMPARE(work.errors.size(), std::size_t(1));
            QCOMPARE(QString::number(work.errors[0].number), estimate);
            QCOMPARE(main.SlotAt(which).path, name.endsWith(".hex") ? remembered : "");
            QVERIFY(!main.SlotAt(which).selected);
            return;
        }
        QVERIFY(main.SlotAt(which).selected);
        QVERIFY2(main.Description(which)->text().contains(" " + estimate + "\n"),
                 qPrintable(main.Description(which)->text()));
        const char* boards[] = {"COMM", "READER", "SPEECH"};
        QCOMPARE(title, QString("Open %1 File").arg(name.endsWith(".kx") ? "KX2" : boards[slot]));
        PaintedLabel* label = main.FileLabel(which);
        // Cut in the middle: both ends of the name stay (how much of each the font decides).
        const QString shown = label->ShownText();
        const qsizetype cut = std::max<qsizetype>(shown.indexOf(QChar(0x2026)), 0);
        QVERIFY2(!shown.endsWith(QChar(0x2026)) && name.endsWith(shown.mid(cut + 1)) &&
                     ("/" + name).contains("/" + shown.left(cut)),
                 qPrintable(shown));
        QVERIFY(label->fontMetrics().horizontalAdvance(label->ShownText()) <=
                label->contentsRect().width());
        // The path popup fits on the screen, however long the path.
        int widest = -1;
        main.SetMenuRunner([&widest](QMenu& menu) {
            widest = menu.sizeHint().width();
            return nullptr;
        });
        main.ShowFilePopup(main.LoadButton(which));
        QVERIFY(widest >= 0 && widest <= main.screen()->availableGeometry().width());
        // The load button of a selected slot clears it without a dialog and keeps the file.
        main.PickSlot(which);
        QVERIFY(!main.SlotAt(which).selected);
        QCOMPARE(main.SlotAt(which).path, path);
    }

    // A switch of mode draws every slot for the new mode and drops what it cannot load.
    void ModeSwitchRedrawsSlots() {
        Workspace work;
        MainWindow main(work.state, work.runner, work.picker, work.preview);
        const std::string kx = work.Path("unit.kx");
        MakeSizedFile(kx, 9000);
        work.picker.AnswerNext(QString::fromStdString(kx));
        main.PickSlot(MainWindow::kSlotComm);
        main.SlotIcon(MainWindow::kSlotReader)->click();  // nothing to pick in KX2 mode
        QVERIFY(main.SlotAt(MainWindow::kSlotComm).selected);
        work.runner.AnswerNext(FramedDialog::kResultOk, [](QDialog& dialog) {
            auto* params = qobject_cast<RuntimeParametersDialog*>(&dialog);
            params->Kx2Check()->setChecked(false);
            params->OkButton()->click();
        });
        main.ShowRuntimeParams();
        QVERIFY(!main.SlotAt(MainWindow::kSlotComm).selected);
        QCOMPARE(main.SlotAt(MainWindow::kSlotComm).path, std::string());
        QCOMPARE(main.LoadButton(MainWindow::kSlotComm)->text(), QStringLiteral("Load Comm File"));
        QVERIFY(main.Description(MainWindow::kSlotReader)->text().endsWith("the Reader file."));
    }

    // The logo drags the window and the bar minimises it; Enter presses the focused button and
    // is the OK command only with none focused.
    void TitleBandAndEnter() {
        Workspace work(true);
        MainWindow main(work.state, work.runner, work.picker, work.preview);
        // The main window is modal too: the watchdog must not take it for a stray dialog while a
        // busy window system (Wine's, on a loaded CI machine) takes its time to expose it.
        work.expected = [&main](QDialog& shown) { return &shown == &main; };
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main, 60000));
        PaintedButton* logo = main.LogoButton();
        main.SetSystemMove(false);
        const QPoint before = main.pos();
        QTest::mousePress(logo, Qt::LeftButton, {}, QPoint(10, 5));
        QMouseEvent drag(QEvent::MouseMove, QPointF(50, 35), logo->mapToGlobal(QPointF(50, 35)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(logo, &drag);
        QTest::mouseRelease(logo, Qt::LeftButton, {}, QPoint(50, 35));
        QCOMPARE(main.pos(), before + QPoint(40, 30));
        work.runner.AnswerNext(FramedDialog::kResultOk, [](QDialog& dialog) {
            QVERIFY(qobject_cast<AboutDialog*>(&dialog) != nullptr);
        });
        logo->setFocus();
        QTest::keyClick(&main, Qt::Key_Return);
        QCOMPARE(work.runner.PendingAnswers(), std::size_t(0));
        QVERIFY(main.isVisible());
        main.MinimiseButton()->click();
        QVERIFY(main.isMinimized());
        logo->clearFocus();
        QTest::keyClick(&main, Qt::Key_Enter);
        QVERIFY(!main.isVisible());
        QCOMPARE(main.result(), int(FramedDialog::kResultOk));
    }

    // Without a desktop editor the settings file is edited and saved in the program's window.
    void IniFileEditedWithoutDesktopEditor() {
        Workspace work(true);
        MainWindow main(work.state, work.runner, work.picker, work.preview);
        main.SetUrlOpener([](const QUrl&) { return false; });
        work.runner.AnswerNext(0, [](QDialog& dialog) {
            auto* window = qobject_cast<TextFileWindow*>(&dialog);
            QVERIFY(window != nullptr && !window->TextPane()->isReadOnly());
            window->TextPane()->appendPlainText(QStringLiteral("[Extra]\nKey=1"));
            window->SaveButton()->click();
        });
        main.OpenIniFile();
        QCOMPARE(work.Setting("Extra", "Key"), std::string("1"));
        QCOMPARE(work.Setting("KX2", "Is KX2"), std::string("0"));
    }

    void StartRefusalsRememberOnlySelectedFiles() {
        Workspace work(true);
        IniFile ini = work.Ini();
        settings::Write(ini, settings::kPortDevice, work.Path("no-such-tty"));
        MainWindow main(work.state, work.runner, work.picker, work.preview);
        bool uploaded = false;
        main.SetUploadWindow([&uploaded](const MainWindow::UploadRequest&) { uploaded = true; });
        {
            // Nothing selected: said over the window in front (the log browser, say).
            QDialog front(&main);
            work.expected = [&front](QDialog& dialog) { return &dialog == &front; };
            front.setModal(true);
            front.show();
            work.ExpectError();
            main.StartButton()->click();
            QCOMPARE(work.errors.back().number, 200);
            QCOMPARE(work.errors.back().parent, &front);
        }
        const std::string comm = MakeBoardFile(work.Path("comm.bin"), 135168, false);
        work.picker.AnswerNext(QString::fromStdString(comm));
        main.PickSlot(MainWindow::kSlotComm);
        // A READER file picked and cleared again is not remembered.
        const std::string reader = MakeBoardFile(work.Path("reader.bin"), 135168, true);
        work.picker.AnswerNext(QString::fromStdString(reader));
        main.PickSlot(MainWindow::kSlotReader);
        main.PickSlot(MainWindow::kSlotReader);
        // While an earlier run's worker still holds the port, Start says so and opens nothing.
        main.SetUploadRunning([]() { return true; });
        work.ExpectError();
        main.Start();
        QVERIFY(work.errors.back().message.contains("upload is still finishing"));
        main.SetUploadRunning([]() { return false; });
        work.ExpectError();
        main.Start();
        QCOMPARE(work.errors.size(), std::size_t(3));
        QCOMPARE(work.errors.back().number, 201);
        QVERIFY(!uploaded);
        QCOMPARE(work.Setting("File Names", "Comm"), comm);
        QCOMPARE(work.Setting("File Names", "Reader"), std::string("?"));
        QVERIFY(main.SlotAt(MainWindow::kSlotComm).selected);
    }

    void CompleteUploadThroughProgressWindow() {
        Workspace work(true);
        MainWindow main(work.state, work.runner, work.picker, work.preview);
        std::string error;
        QVERIFY2(main.StartSimulatedUnit(&error), error.c_str());
        SystemClock clock;
        NullSoundPlayer sounds;
        // The run goes through the simulated unit's own serial library (the only one on Windows),
        // never the system's.
        auto system = std::make_shared<test::FakeSerialBackend>();
        system->resetResult = kSerialNoSuchPort;
        main.SetSerialLine(system);
        UploadSessions sessions;
        main.SetUploadWindow(
            MakeUploadWindow({work.state, clock, work.runner, sounds, sessions}, &main));
        bool sawEnd = false;
        work.expected = [&sawEnd](QDialog& dialog) {
            auto* window = qobject_cast<UploadProgressWindow*>(&dialog);
            if (window != nullptr && window->RunState() == UploadProgressWindow::kEnded) {
                sawEnd = true;
                dialog.done(0);
            }
            return window != nullptr;
        };
        const std::string comm = MakeBoardFile(work.Path("comm.bin"), 65536, false);
        work.picker.AnswerNext(QString::fromStdString(comm));
        main.PickSlot(MainWindow::kSlotComm);
        main.Start();
        QVERIFY(sawEnd);
        QVERIFY(system->Calls().empty());
        QVERIFY(!main.SlotAt(MainWindow::kSlotComm).selected);
        std::ifstream history(work.state.HistoryPath());
        const std::string text((std::istreambuf_iterator<char>(history)),
                               std::istreambuf_iterator<char>());
        QVERIFY2(text.find("Upload COMM File Successful (" + comm + ")") != std::string::npos,
                 text.c_str());
    }

    // What OK stores: the choices made.
    void RuntimeOkStoresWhatIsChosen() {
        Workspace work;
        IniFile ini = work.Ini();
        settings::Write(ini, settings::kSoundFailed, std::string("/sounds/failed.wav"));
        RuntimeParametersDialog dialog(work.state, work.runner, work.picker, work.preview);
        dialog.DataRetransmits()->setCurrentIndex(1);
        dialog.Kx2Check()->setChecked(false);
        dialog.ValidateCheck()->setChecked(false);
        QVERIFY(!dialog.AllowAbortCheck()->isChecked());
        dialog.AllowAbortCheck()->setChecked(true);
        using S = RuntimeParametersDialog;
        QVERIFY(dialog.PlayButton(S::kSoundFailed)->isEnabled());
        QVERIFY(!dialog.PlayButton(S::kSoundSuccess)->isEnabled());
        dialog.ClearButton(S::kSoundFailed)->click();
        QVERIFY(!dialog.PlayButton(S::kSoundFailed)->isEnabled());
        work.picker.AnswerNext(QStringLiteral("/sounds/done.wav"));
        dialog.BrowseButton(S::kSoundAll)->click();
        dialog.PlayButton(S::kSoundAll)->click();
        // A typed path of fewer than 5 characters is not played and disables its button.
        dialog.SoundEdit(S::kSoundAll)->setText(QStringLiteral("a.wa"));
        dialog.PlayButton(S::kSoundAll)->click();
        QVERIFY(!dialog.PlayButton(S::kSoundAll)->isEnabled());
        QCOMPARE(work.preview.played, std::vector<std::string>{"/sounds/done.wav"});
        dialog.OkButton()->click();
        QCOMPARE(dialog.result(), FramedDialog::kResultOk);
        QCOMPARE(work.Setting("HBD Params", "Retransmit Data Packets"), std::string("2"));
        QCOMPARE(work.Setting("Sounds", "Uploads Completed"), std::string("a.wa"));
        QCOMPARE(work.Setting("Sounds", "Failed Upload"), std::string());
        QCOMPARE(work.Setting("KX2", "Is KX2"), std::string("0"));
        QCOMPARE(work.Setting("Validate", "Validate Files"), std::string("0"));
        QCOMPARE(work.Setting("Load Files", "Allow Abort"), std::string("1"));
        QCOMPARE(int(work.state.isKx2), 0);
        // The first delay choice is stored as itself.
        RuntimeParametersDialog again(work.state, work.runner, work.picker, work.preview);
        QVERIFY(again.AllowAbortCheck()->isChecked());
        again.DelayList()->setCurrentIndex(0);
        again.OkButton()->click();
        QCOMPARE(work.Setting("HBD Params", "Delay after File Upload"), std::string("45"));
    }

    void RuntimeListsHoldOnlyValuesInRange_data() {
        QTest::addColumn<int>("list");  // control, data, wait, delay
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");  // and stored on OK
        auto row = [](const char* name, int list, const char* stored, const char* shown) {
            QTest::newRow(name) << list << QString(stored) << QString(shown);
        };
        row("wait below the minimum: the default", 2, "2", "6 seconds");
        row("wait not a number", 2, "abc", "6 seconds");
        row("delay in range, not listed", 3, "75", "75 seconds");
        row("delay above the maximum", 3, "400", "60 seconds");
        row("control retries 99", 0, "99", "4 times");
        row("control retries 9", 0, "9", "9 times");
        row("data retries 0", 1, "0", "1 - Once");
    }
    // The lists cannot be typed into, offer nothing outside their keys' ranges, and show a stored
    // value as the value a run uses; OK stores what they show.
    void RuntimeListsHoldOnlyValuesInRange() {
        QFETCH(int, list);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        const settings::IntKey* keys[] = {&settings::kRetransmitControl, &settings::kRetransmitData,
                                          &settings::kWaitForResponse, &settings::kDelayAfterFile};
        const settings::IntKey& key = *keys[list];
        Workspace work;
        IniFile ini = work.Ini();
        ini.WriteString(key.section, key.key, stored.toStdString());
        RuntimeParametersDialog dialog(work.state, work.runner, work.picker, work.preview);
        QComboBox* lists[] = {dialog.ControlRetransmits(), dialog.DataRetransmits(),
                              dialog.WaitList(), dialog.DelayList()};
        for (int each = 0; each < 4; ++each) {
            QVERIFY(!lists[each]->isEditable());
            for (int i = 0; i < lists[each]->count(); ++i) {
                const QString text = lists[each]->itemText(i);
                QVERIFY2(keys[each]->InRange(std::atoi(qPrintable(text))), qPrintable(text));
            }
        }
        QCOMPARE(lists[list]->currentText(), shown);
        dialog.OkButton()->click();
        QCOMPARE(work.Setting(key.section, key.key), std::to_string(std::atoi(qPrintable(shown))));
    }

    void RuntimeUseDefaults_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("ok");
        QTest::newRow("YES, then OK resets the file") << ConfirmDialog::kResultYes << true;
        QTest::newRow("YES, then Cancel keeps the file") << ConfirmDialog::kResultYes << false;
        QTest::newRow("NO changes nothing") << ConfirmDialog::kResultNo << true;
    }
    // Opening takes the mode flags from the file; "Use Defaults" only fills the dialog, and the
    // file is reset on OK.
    void RuntimeUseDefaults() {
        QFETCH(int, answer);
        QFETCH(bool, ok);
        const bool reset = answer == ConfirmDialog::kResultYes;
        Workspace work;
        IniFile ini = work.Ini();
        settings::Write(ini, settings::kIsKx2, 0);
        settings::Write(ini, settings::kTamarackLine, 5);
        settings::Write(ini, settings::kPortNumber, 4);
        settings::Write(ini, settings::kValidateFiles, 0);
        settings::Write(ini, settings::kWaitForResponse, 10);
        settings::Write(ini, settings::kSoundFailed, std::string("/sounds/failed.wav"));
        const std::string before = work.IniText();
        work.state.isKx2 = true;
        RuntimeParametersDialog dialog(work.state, work.runner, work.picker, work.preview);
        QCOMPARE(int(work.state.isKx2), 0);
        QCOMPARE(int(work.state.tamarackLine), 1);
        work.runner.AnswerNext(answer);
        dialog.DefaultsButton()->click();
        QCOMPARE(dialog.Kx2Check()->isChecked(), reset);
        QCOMPARE(dialog.ValidateCheck()->isChecked(), reset);
        QCOMPARE(dialog.TamarackCheck()->isChecked(), !reset);
        QCOMPARE(dialog.WaitList()->currentText(), QString(reset ? "6 seconds" : "10 seconds"));
        using S = RuntimeParametersDialog;
        QCOMPARE(dialog.PlayButton(S::kSoundFailed)->isEnabled(), !reset);
        QCOMPARE(int(work.state.isKx2), 0);
        QCOMPARE(work.IniText(), before);
        (ok ? dialog.OkButton() : dialog.CancelButton())->click();
        if (!ok) {
            QCOMPARE(work.IniText(), before);
            QCOMPARE(int(work.state.isKx2), 0);
            return;
        }
        QCOMPARE(work.Setting("Serial Port", "Port Number"), std::string(reset ? "?" : "4"));
        QCOMPARE(work.Setting("Load Files", "Load COMM First"), std::string(reset ? "1" : "?"));
        QCOMPARE(work.Setting("MISC", "Tamarack Line"), std::string(reset ? "0" : "1"));
        QCOMPARE(work.Setting("HBD Params", "Wait for HBD Response"),
                 std::string(reset ? "6" : "10"));
        QCOMPARE(work.Setting("Sounds", "Failed Upload"),
                 std::string(reset ? "" : "/sounds/failed.wav"));
        QCOMPARE(int(work.state.isKx2), reset ? 1 : 0);
    }

    void SerialPortChoices_data() {
        // port|baud, "=" leaves a field; then "cancel", or the answer to the question about a
        // missing device. TYPED names a device that exists, GONE one that does not; _PATH is
        // the device that name opens.
        QTest::addColumn<QString>("edits");
        QTest::addColumn<int>("givenPort");
        QTest::addColumn<int>("givenBaud");   // an index into the rate list
        QTest::addColumn<QString>("chosen");  // port number, device and baud rate
        QTest::newRow("given port 3 at 19,200 bps") << "=|=" << 3 << 2 << "3  19200";
        QTest::newRow("given port outside the list")
            << "=|=" << SelectSerialPortDialog::kListedPorts + 3 << 0 << "0  9600";
        QTest::newRow("cancel keeps the given") << "=|115,200 bps|cancel" << 15 << 4 << "15  4";
        QTest::newRow("typed port") << "Port  5|115,200 bps" << 2 << 3 << "5  115200";
        QTest::newRow("listed device") << "listed|57,600 bps" << 2 << 3 << "2 /dev/ttyUSB0 57600";
        QTest::newRow("typed device keeps its slot")
            << "TYPED|9,600 bps" << 2 << 3 << "2 TYPED_PATH 9600";
        QTest::newRow("missing device kept on YES")
            << "GONE|=|yes" << 2 << 3 << "2 GONE_PATH 28800";
        QTest::newRow("missing device, NO goes back") << "GONE|=|no" << 2 << 3 << "2  3";
        QTest::newRow("a typed rate is refused") << "=|12345" << 2 << 3 << "2  28800";
    }
    void SerialPortChoices() {
        QFETCH(QString, edits);
        QFETCH(int, givenPort);
        QFETCH(int, givenBaud);
        QFETCH(QString, chosen);
        Workspace work;
        // What "Port 1" opens is not listed again.
        SerialPortInfo port1;
        port1.devicePath = SystemDevicePath(1);
        SerialPortInfo usb;
        usb.devicePath = "/dev/ttyUSB0";
        std::vector<SerialPortInfo> devices{port1, usb};
#ifdef _WIN32
        // Windows devices live in the device space, where a test makes none: the typed one is
        // one the system lists.
        const QString typed = "CNCA0", typedPath = R"(\\.\CNCA0)";
        const QString gone = "CNCB9", gonePath = R"(\\.\CNCB9)";
        SerialPortInfo virtualPort;
        virtualPort.devicePath = typedPath.toStdString();
        devices.push_back(virtualPort);
#else
        const QString typed = work.dir.path() + "/tty", typedPath = typed;
        const QString gone = work.dir.path() + "/gone", gonePath = gone;
        std::ofstream(work.Path("tty")).put('\n');
#endif
        edits.replace("TYPED", typed).replace("GONE", gone);
        chosen.replace("TYPED_PATH", typedPath).replace("GONE_PATH", gonePath);
        SelectSerialPortDialog dialog(devices, work.runner);
        dialog.SetSelection(givenPort, std::string(), givenBaud);
        const QStringList edit = edits.split('|');
        const QString after = edit.value(2);
        if (edit[0] == "listed") {
            dialog.PortList()->setCurrentIndex(SelectSerialPortDialog::kListedPorts);
        } else if (edit[0] != "=") {
            dialog.PortList()->setEditText(edit[0]);
        }
        if (edit[1] != "=") {
            dialog.BaudList()->setCurrentText(edit[1]);
        }
        if (after == "yes" || after == "no") {
            work.runner.AnswerNext(after == "yes" ? ConfirmDialog::kResultYes
                                                  : ConfirmDialog::kResultNo);
        }
        (after == "cancel" ? dialog.CancelButton() : dialog.SaveButton())->click();
        QCOMPARE(work.runner.PendingAnswers(), std::size_t(0));
        QCOMPARE(dialog.result(), after == "cancel" ? FramedDialog::kResultCancel
                                  : after == "no"   ? 0
                                                    : FramedDialog::kResultOk);
        QCOMPARE(QStringLiteral("%1 %2 %3")
                     .arg(dialog.PortNumber())
                     .arg(QString::fromStdString(dialog.Device()))
                     .arg(dialog.Baud()),
                 chosen);
        // The rate shown is the rate saved.
        if (dialog.result() == FramedDialog::kResultOk) {
            QCOMPARE(dialog.BaudList()->currentText(),
                     dialog.BaudList()->itemText(SelectSerialPortDialog::BaudIndex(dialog.Baud())));
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
