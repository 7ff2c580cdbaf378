// The Runtime Parameters and serial port dialogs: what they show for stored values (including
// values outside their lists), what OK and Save store, "Use Defaults" and the sound rows.
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <fstream>

#include "controls/ExtendedButton.h"
#include "controls/ExtendedCheckBox.h"
#include "dialogs/RuntimeParametersDialog.h"
#include "dialogs/SelectSerialPortDialog.h"
#include "settings/SettingsKeys.h"
#include "tests/gui/app/MainWindowTestSupport.h"

using quillon::IniFile;
using quillon::RuntimeParametersDialog;
using quillon::SelectSerialPortDialog;
using namespace quillon::test;
namespace settings = quillon::settings;

namespace {

std::vector<std::string> KeyLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> keys;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) {
            keys.push_back(line.substr(0, line.find('=')));
        }
    }
    return keys;
}

}  // namespace

class SettingsDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void StoredDelayOutsideListShowsSixtyAndSavesSixty();
    void StoredWaitOutsideListShowsNothingAndSavesTwo();
    void OkWritesEveryKeyInOrder();
    void OpeningSetsTheModeFlagsFromTheFile();
    void UseDefaultsResetsFileAndFlags();
    void CancelAfterUseDefaultsKeepsTheResetFile();
    void UseDefaultsAnsweredNoChangesNothing();
    void SoundRows();
    void SerialGivenThreeAndTwo();
    void SerialGivenFifteen();
    void SerialChoices_data();
    void SerialChoices();
};

void SettingsDialogsTest::StoredDelayOutsideListShowsSixtyAndSavesSixty() {
    Workspace work;
    IniFile ini = work.Ini();
    settings::Write(ini, settings::kDelayAfterFile, 75);
    RuntimeParametersDialog dialog(work.state, work.runner, work.picker, work.preview);
    QCOMPARE(dialog.DelayList()->currentText(), QStringLiteral("60 seconds"));
    QCOMPARE(dialog.DelayIndex(), 3);
    dialog.OkButton()->click();
    QCOMPARE(dialog.result(), quillon::FramedDialog::kResultOk);
    QCOMPARE(work.Ini().Find("HBD Params", "Delay after File Upload").value_or(""),
             std::string("60"));
}

void SettingsDialogsTest::StoredWaitOutsideListShowsNothingAndSavesTwo() {
    Workspace work;
    IniFile ini = work.Ini();
    settings::Write(ini, settings::kWaitForResponse, 10);
    settings::Write(ini, settings::kRetransmitControl, 9);
    RuntimeParametersDialog dialog(work.state, work.runner, work.picker, work.preview);
    QCOMPARE(RuntimeParametersDialog::SelectedIndex(*dialog.WaitList()), -1);
    QCOMPARE(dialog.WaitList()->currentText(), QString());
    QCOMPARE(RuntimeParametersDialog::SelectedIndex(*dialog.ControlRetransmits()), -1);
    dialog.OkButton()->click();
    const IniFile after = work.Ini();
    QCOMPARE(after.Find("HBD Params", "Wait for HBD Response").value_or(""), std::string("2"));
    QCOMPARE(after.Find("HBD Params", "Retransmit Control Packets").value_or(""), std::string("0"));
}

void SettingsDialogsTest::OkWritesEveryKeyInOrder() {
    Workspace work;
    RuntimeParametersDialog dialog(work.state, work.runner, work.picker, work.preview);
    dialog.Kx2Check()->setChecked(false);
    dialog.ValidateCheck()->setChecked(false);
    dialog.DataRetransmits()->setCurrentIndex(3);
    dialog.OkButton()->click();
    const std::vector<std::string> expected = {"[Sounds]",
                                               "Uploads Completed",
                                               "Post Successful Upload",
                                               "Failed Upload",
                                               "[Logs]",
                                               "Log Serial Data",
                                               "Log Messages",
                                               "[Views]",
                                               "Show Serial View",
                                               "[Validate]",
                                               "Validate Files",
                                               "[HBD Params]",
                                               "Retransmit Control Packets",
                                               "Retransmit Data Packets",
                                               "Wait for HBD Response",
                                               "Delay after File Upload",
                                               "[MISC]",
                                               "Tamarack Line",
                                               "[KX2]",
                                               "Is KX2"};
    QCOMPARE(KeyLines(work.state.IniPath()), expected);
    const IniFile ini = work.Ini();
    QCOMPARE(ini.Find("KX2", "Is KX2").value_or(""), std::string("0"));
    QCOMPARE(ini.Find("HBD Params", "Retransmit Data Packets").value_or(""), std::string("4"));
    QCOMPARE(int(work.state.isKx2), 0);
    QVERIFY(!dialog.ValidateFiles());
}

void SettingsDialogsTest::OpeningSetsTheModeFlagsFromTheFile() {
    Workspace work;
    IniFile ini = work.Ini();
    settings::Write(ini, settings::kIsKx2, 0);
    settings::Write(ini, settings::kTamarackLine, 5);
    work.state.isKx2 = 1;
    RuntimeParametersDialog dialog(work.state, work.runner, work.picker, work.preview);
    QCOMPARE(int(work.state.isKx2), 0);
    QCOMPARE(int(work.state.tamarackLine), 1);
    QVERIFY(dialog.TamarackCheck()->isChecked());
    dialog.TamarackCheck()->setChecked(false);
    dialog.CancelButton()->click();
    // Cancel leaves the flags as the file said.
    QCOMPARE(int(work.state.tamarackLine), 1);
    QCOMPARE(work.Ini().Find("MISC", "Tamarack Line").value_or(""), std::string("5"));
}

void SettingsDialogsTest::UseDefaultsResetsFileAndFlags() {
    Workspace work;
    IniFile ini = work.Ini();
    settings::Write(ini, settings::kIsKx2, 0);
    settings::Write(ini, settings::kPortNumber, 4);
    settings::Write(ini, settings::kFileComm, std::string("/tmp/comm.bin"));
    settings::Write(ini, settings::kValidateFiles, 0);
    RuntimeParametersDialog dialog(work.state, work.runner, work.picker, work.preview);
    QVERIFY(!dialog.ValidateCheck()->isChecked());
    QString question;
    work.AnswerConfirm(quillon::ConfirmDialog::kResultYes, &question);
    dialog.DefaultsButton()->click();
    QCOMPARE(question, QStringLiteral("Are you sure?\n\nLoad factory defaults?"));
    const IniFile after = work.Ini();
    QVERIFY(!after.Find("Serial Port", "Port Number"));
    QVERIFY(!after.Find("File Names", "Comm"));
    QVERIFY(!after.Find("KX2", "Is KX2"));
    QCOMPARE(int(work.state.isKx2), 1);
    QVERIFY(dialog.Kx2Check()->isChecked());
    QVERIFY(dialog.ValidateCheck()->isChecked());
}

void SettingsDialogsTest::CancelAfterUseDefaultsKeepsTheResetFile() {
    Workspace work;
    IniFile ini = work.Ini();
    settings::Write(ini, settings::kPortNumber, 4);
    RuntimeParametersDialog dialog(work.state, work.runner, work.picker, work.preview);
    work.AnswerConfirm(quillon::ConfirmDialog::kResultYes);
    dialog.DefaultsButton()->click();
    dialog.CancelButton()->click();
    QCOMPARE(dialog.result(), quillon::FramedDialog::kResultCancel);
    const IniFile after = work.Ini();
    QVERIFY(!after.Find("Serial Port", "Port Number"));
    QCOMPARE(after.Find("Load Files", "Load COMM First").value_or(""), std::string("1"));
}

void SettingsDialogsTest::UseDefaultsAnsweredNoChangesNothing() {
    Workspace work;
    IniFile ini = work.Ini();
    settings::Write(ini, settings::kPortNumber, 4);
    RuntimeParametersDialog dialog(work.state, work.runner, work.picker, work.preview);
    work.AnswerConfirm(quillon::ConfirmDialog::kResultNo);
    dialog.DefaultsButton()->click();
    QCOMPARE(work.Ini().Find("Serial Port", "Port Number").value_or(""), std::string("4"));
}

void SettingsDialogsTest::SoundRows() {
    Workspace work;
    IniFile ini = work.Ini();
    settings::Write(ini, settings::kSoundFailed, std::string("/sounds/failed.wav"));
    RuntimeParametersDialog dialog(work.state, work.runner, work.picker, work.preview);
    using S = RuntimeParametersDialog;
    QVERIFY(dialog.PlayButton(S::kSoundFailed)->isEnabled());
    QVERIFY(!dialog.PlayButton(S::kSoundSuccess)->isEnabled());

    dialog.ClearButton(S::kSoundFailed)->click();
    QCOMPARE(dialog.SoundEdit(S::kSoundFailed)->text(), QString());
    QVERIFY(!dialog.PlayButton(S::kSoundFailed)->isEnabled());

    QString filter;
    work.picker.AnswerNext(QStringLiteral("/sounds/done.wav"),
                           [&filter](const quillon::FilePicker::Request& r) { filter = r.filter; });
    dialog.BrowseButton(S::kSoundAll)->click();
    QCOMPARE(filter, QStringLiteral("Wave files (*.wav);;All files (*)"));
    QCOMPARE(dialog.SoundEdit(S::kSoundAll)->text(), QStringLiteral("/sounds/done.wav"));
    QVERIFY(dialog.PlayButton(S::kSoundAll)->isEnabled());
    dialog.PlayButton(S::kSoundAll)->click();
    QCOMPARE(work.preview.played, std::vector<std::string>{"/sounds/done.wav"});

    // A typed path of fewer than 5 characters is not played and disables its button.
    dialog.SoundEdit(S::kSoundAll)->setText(QStringLiteral("a.wa"));
    dialog.PlayButton(S::kSoundAll)->click();
    QVERIFY(!dialog.PlayButton(S::kSoundAll)->isEnabled());
    QCOMPARE(work.preview.played.size(), std::size_t(1));

    // A cancelled browse changes nothing.
    work.picker.AnswerNext(std::nullopt);
    dialog.BrowseButton(S::kSoundSuccess)->click();
    QCOMPARE(dialog.SoundEdit(S::kSoundSuccess)->text(), QString());
    dialog.OkButton()->click();
    QCOMPARE(work.Ini().Find("Sounds", "Uploads Completed").value_or("?"), std::string("a.wa"));
    QCOMPARE(work.Ini().Find("Sounds", "Failed Upload").value_or("?"), std::string());
}

void SettingsDialogsTest::SerialGivenThreeAndTwo() {
    SelectSerialPortDialog dialog({});
    dialog.SetSelection(3, std::string(), 2);
    QCOMPARE(dialog.PortList()->currentText(), QStringLiteral("Port  3"));
    QCOMPARE(dialog.BaudList()->currentText(), QStringLiteral("19,200 bps"));
    QCOMPARE(dialog.PortList()->count(), 12);
    QCOMPARE(dialog.PortList()->itemText(11), QStringLiteral("Port 12"));
    dialog.SaveButton()->click();
    QCOMPARE(dialog.result(), quillon::FramedDialog::kResultOk);
    QCOMPARE(dialog.PortNumber(), 3);
    QCOMPARE(dialog.Baud(), 19200);
    QCOMPARE(dialog.Device(), std::string());
}

void SettingsDialogsTest::SerialGivenFifteen() {
    SelectSerialPortDialog dialog({});
    dialog.SetSelection(15, std::string(), 0);
    QCOMPARE(dialog.PortList()->currentIndex(), -1);
    dialog.SaveButton()->click();
    QCOMPARE(dialog.PortNumber(), 0);
    QCOMPARE(dialog.Baud(), 9600);

    SelectSerialPortDialog cancelled({});
    cancelled.SetSelection(15, std::string(), 4);
    cancelled.BaudList()->setCurrentIndex(6);
    cancelled.CancelButton()->click();
    QCOMPARE(cancelled.result(), quillon::FramedDialog::kResultCancel);
    QCOMPARE(cancelled.PortNumber(), 15);
    QCOMPARE(cancelled.Baud(), 4);
}

void SettingsDialogsTest::SerialChoices_data() {
    QTest::addColumn<QString>("portText");  // typed into the port field; empty: list entry 12
    QTest::addColumn<QString>("baudText");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("baud");
    QTest::newRow("115,200 bps") << QStringLiteral("Port  5") << QStringLiteral("115,200 bps") << 5
                                 << QString() << 115200;
    QTest::newRow("listed device") << QString() << QStringLiteral("57,600 bps") << 2
                                   << QStringLiteral("/dev/ttyUSB0") << 57600;
    QTest::newRow("typed pty") << QStringLiteral("/dev/pts/7") << QStringLiteral("9,600 bps") << 2
                               << QStringLiteral("/dev/pts/7") << 9600;
    QTest::newRow("typed COM number")
        << QStringLiteral("COM9") << QStringLiteral("38400") << 9 << QString() << 38400;
    QTest::newRow("cleared baud keeps the given rate")
        << QStringLiteral("Port  1") << QString() << 1 << QString() << 28800;
    QTest::newRow("unknown baud keeps the given rate")
        << QStringLiteral("Port  1") << QStringLiteral("12345") << 1 << QString() << 28800;
}

void SettingsDialogsTest::SerialChoices() {
    QFETCH(QString, portText);
    QFETCH(QString, baudText);
    QFETCH(int, port);
    QFETCH(QString, device);
    QFETCH(int, baud);
    quillon::SerialPortInfo usb;
    usb.name = "ttyUSB0";
    usb.devicePath = "/dev/ttyUSB0";
    usb.product = "FT232R USB UART";
    SelectSerialPortDialog dialog({usb});
    dialog.SetSelection(2, std::string(), 3);
    QCOMPARE(dialog.PortList()->count(), 13);
    if (portText.isEmpty()) {
        dialog.PortList()->setCurrentIndex(SelectSerialPortDialog::kListedPorts);
    } else {
        dialog.PortList()->setEditText(portText);
    }
    dialog.BaudList()->setEditText(baudText);
    dialog.SaveButton()->click();
    QCOMPARE(dialog.PortNumber(), port);
    QCOMPARE(QString::fromStdString(dialog.Device()), device);
    QCOMPARE(dialog.Baud(), baud);
}

QTEST_MAIN(SettingsDialogsTest)
#include "SettingsDialogsTest.moc"
