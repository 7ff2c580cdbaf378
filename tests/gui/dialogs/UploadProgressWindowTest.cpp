// The upload progress window over real runs: sessions taken through the main window's start steps,
// their workers on the system's serial library against the simulated HBD and KX2 units on
// pseudo-terminals, with a fake clock so pauses take no time; plus events fed directly where a
// run cannot easily produce a case.
#include <QKeyEvent>
#include <QMessageBox>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "controls/LogTextPane.h"
#include "controls/PaintedButton.h"
#include "controls/PaintedLabel.h"
#include "controls/SevenSegmentCounter.h"
#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/ErrorMessageDialog.h"
#include "dialogs/ProgressBarCounter.h"
#include "dialogs/SoundPlayer.h"
#include "dialogs/UploadProgressWindow.h"
#include "dialogs/UploadSessions.h"
#include "serial/SystemSerialBackend.h"
#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#include "sim/UnitRunner.h"
#include "tests/core/upload/HbdTestSupport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/RecordingReporter.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPty.h"

using namespace quillon;

namespace {

constexpr int kRunTimeoutMs = 30000;

class RecordingSoundPlayer final : public SoundPlayer {
  public:
    void Play(const std::string& path) override { played.push_back(path); }
    std::vector<std::string> played;
};

}  // namespace

class UploadProgressTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<test::TempDir> dir;
    std::unique_ptr<test::FakeClock> clock;
    std::unique_ptr<ProgramState> state;
    std::unique_ptr<DialogRunner> runner;
    std::unique_ptr<RecordingSoundPlayer> sounds;

    std::unique_ptr<UploadSessions> sessions;

    void Ini(const std::string& text) { dir->Write("Quillon.ini", text); }

    // A window over a run on device, its session through the main window's start steps; with
    // no device, a window that shows only the events it is handed.
    std::unique_ptr<UploadProgressWindow> Make(UploadProgressWindow::Selection sel,
                                               const std::string& device = "",
                                               int baudRate = 19200) {
        if (!device.empty()) {
            auto session = std::make_shared<UploadSession>(*state, *clock);
            test::RecordingReporter errors;
            const PortName port{1, device};
            const bool ready =
                session->CheckFiles({sel.commPath, sel.readerPath, sel.speechPath}, sel.kx2, false,
                                    IniFile(state->IniPath()), errors) &&
                session->CheckPort(MakeSystemSerialBackend(), port, baudRate, errors);
            if (!ready) {
                qWarning("start steps refused: %s", errors.shown.c_str());
                return nullptr;
            }
            sel.session = std::move(session);
            sel.line = RunLine{port, baudRate};
        }
        return std::make_unique<UploadProgressWindow>(std::move(sel), *state, *clock, *runner,
                                                      *sounds, *sessions);
    }
    static bool WaitEnd(UploadProgressWindow& dlg) {
        return QTest::qWaitFor([&] { return dlg.RunState() == UploadProgressWindow::kEnded; },
                               kRunTimeoutMs);
    }

  private slots:
    void init() {
        dir = std::make_unique<test::TempDir>();
        clock = std::make_unique<test::FakeClock>();
        state = std::make_unique<ProgramState>();
        state->appDir = dir->Dir();
        runner = std::make_unique<DialogRunner>();
        sounds = std::make_unique<RecordingSoundPlayer>();
        sessions = std::make_unique<UploadSessions>();
        Ini("[HBD Params]\nWait for HBD Response=2\n[Sounds]\nPost Successful "
            "Upload=/snd/next.wav\n"
            "Uploads Completed=/snd/all.wav\nFailed Upload=/snd/fail.wav\n");
    }
    void cleanup() {
        QVERIFY(QTest::qWaitFor([&] { return !sessions->AnyRunning(); }, kRunTimeoutMs));
    }

    void hbdRunIsShownEndToEnd() {
        sim::HbdUnit unit;
        sim::UnitRunner line(unit, test::OpenPty());
        line.Start();
        UploadProgressWindow::Selection sel;
        sel.speechPath = dir->Write("speech.bin", test::PatternBytes(1500, 3));
        auto dlg = Make(sel, line.DevicePath());
        QVERIFY(dlg);
        QCOMPARE(dlg->BoardButton(FileKind::kSpeech)->text(),
                 QString(" 1:\n Load Speech\n speech.bin"));
        dlg->show();
        QVERIFY(WaitEnd(*dlg));
        QVERIFY(dlg->BoardButton(FileKind::kSpeech)
                    ->text()
                    .startsWith(" 1:\n Load SPEECH\n speech.bin\n\n COMPLETED in:\n  "));
        QCOMPARE(dlg->TimeToComplete()->text(), QString("Job Done!"));
        QVERIFY(dlg->TimeToComplete()->IsBlinking());
        QVERIFY(!dlg->ProgressBar()->isVisible());
        QVERIFY(!dlg->MessagePane()->toPlainText().isEmpty());
        QCOMPARE(sounds->played, std::vector<std::string>{"/snd/all.wav"});  // the last file's
        QCOMPARE(dlg->AbortButton()->text(), QString("Exit"));
        dlg->AbortButton()->click();
        QVERIFY(!dlg->isVisible());
        line.Stop();
    }

    // Closing while the worker waits on a silent line: without "Allow Abort" the user is only
    // asked to wait, and the unit unplugged then fails the run, which says where, why and what
    // to check; with it, a Yes shows the run stopping until it ends as canceled.
    void closeWhileRunning_data() {
        QTest::addColumn<bool>("allowAbort");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("endText");
        QTest::addColumn<QString>("board");
        QTest::addColumn<QString>("paneEnd");
        QTest::newRow("without Allow Abort")
            << false << "Upload is NOT finished yet!\n\n\nPlease Wait for upload to finish"
            << "Job FAILED!"
            << " 1:\n Load COMM\n comm.bin\n\n *** FAILED ***\n at Begin Upload\n (line-lost)"
            << "The line to the unit was lost: check the cable or USB adapter.\n";
        QTest::newRow("with Allow Abort")
            << true << "Upload is NOT finished yet!\n\nAre you sure?\n\nAbort Upload?"
            << "Job Canceled!"
            << " 1:\n Load COMM\n comm.bin\n\n *** CANCELED ***"
            << "*** USER ABORTED UPLOAD ***\n";
    }
    void closeWhileRunning() {
        QFETCH(bool, allowAbort);
        QFETCH(QString, question);
        QFETCH(QString, endText);
        QFETCH(QString, board);
        QFETCH(QString, paneEnd);
        // The worker waits in real time: it is still waiting however slow the machine.
        clock = std::make_unique<test::FakeClock>(test::FakeClock::DefaultStart(), 1);
        auto silent = std::make_unique<sim::PtyPair>(test::OpenPty());  // nobody answers
        Ini(std::string("[Load Files]\nAllow Abort=") + (allowAbort ? "1" : "0") +
            "\n[HBD Params]\nWait for HBD Response=6\n");
        UploadProgressWindow::Selection sel;
        sel.commPath = dir->Write("comm.bin", test::PatternBytes(kBoardHeaderBytes + 2048, 1));
        auto dlg = Make(sel, silent->DevicePath());
        QVERIFY(dlg);
        dlg->show();
        QCOMPARE(dlg->AbortButton()->isVisible(), allowAbort);
        QVERIFY(QTest::qWaitFor(
            [&] { return dlg->MessagePane()->toPlainText().contains("Begin Upload, COMM"); }));
        QString asked;
        runner->AnswerNext(ConfirmDialog::kResultYes,
                           [&](QDialog& d) { asked = static_cast<ConfirmDialog&>(d).Text(); });
        allowAbort ? dlg->AbortButton()->click() : QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QCOMPARE(asked, question);
        QCOMPARE(dlg->Session()->Stopping(), allowAbort);
        QCOMPARE(dlg->IsStopping(), allowAbort);
        // Enter, pressed where the focus is, never ends a running window; after the end it does.
        QTest::keyClick(dlg->MessagePane(), Qt::Key_Return);
        QVERIFY(dlg->isVisible());  // the run ends through the worker
        if (!allowAbort) {
            silent.reset();
        }
        QVERIFY(WaitEnd(*dlg));
        QCOMPARE(dlg->TimeToComplete()->text(), endText);
        QCOMPARE(dlg->TimeToComplete()->CurrentTextColor(),
                 allowAbort ? QColor(Qt::black) : QColor(Qt::red));
        QCOMPARE(dlg->BoardButton(FileKind::kComm)->text(), board);
        QVERIFY2(dlg->MessagePane()->toPlainText().endsWith(paneEnd),
                 qPrintable(dlg->MessagePane()->toPlainText().right(200)));
        QTest::keyClick(dlg->MessagePane(), Qt::Key_Return);
        QVERIFY(!dlg->isVisible());
    }

    // The port opened at the start check but is gone when the run opens it (the unit was
    // unplugged in between).
    void portGoneAtTheStartIsReportedAndClosable() {
        auto unplugged = std::make_unique<sim::PtyPair>(test::OpenPty());
        const std::string device = unplugged->DevicePath();
        UploadProgressWindow::Selection sel;
        sel.commPath = dir->Write("comm.bin", test::PatternBytes(kBoardHeaderBytes + 2048, 1));
        auto dlg = Make(sel, device, 57600);
        QVERIFY(dlg);
        unplugged.reset();
        QString shown;
        runner->AnswerNext(1, [&](QDialog& d) {
            auto& e = static_cast<ErrorMessageDialog&>(d);
            shown = QString("%1 %2").arg(e.ErrorNumber()).arg(e.Message());
        });
        dlg->show();
        QVERIFY(WaitEnd(*dlg));
        QVERIFY(QTest::qWaitFor([&] { return runner->AnsweredCount() == 1; }));
        QCOMPARE(shown, QString("201 Failed to open serial port!\n\nPort: %1\nBaud Rate: 57600")
                            .arg(QString::fromStdString(device)));
        QCOMPARE(dlg->TimeToComplete()->text(), QString("Job FAILED!"));
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QVERIFY(!dlg->isVisible());
    }

    // The three ends of a KX2 run, each as the end text and on the one wide board. Cancel asks,
    // then shows the run stopping until the worker has ended; after the end it is gone.
    void kx2RunEndsAsTheUnitSays_data() {
        QTest::addColumn<int>("clockScale");  // a run to be canceled waits in real time
        QTest::addColumn<bool>("silentStart");
        QTest::addColumn<bool>("silentEnd");
        QTest::addColumn<QString>("endText");
        QTest::addColumn<QString>("board");
        QTest::addColumn<QString>("paneEnd");
        const QString head = " 1:\n Load COMM\n FIRMWARE.kx\n\n ";
        QTest::newRow("complete") << 20 << false << false << "Job Done!"
                                  << head + "COMPLETED in:\n  "
                                  << "";
        QTest::newRow("never confirmed")
            << 100 << false << true << "Job FAILED!"
            << head + "*** FAILED ***\n at Final Response\n (no-answer)"
            << "The unit never confirmed the upload: treat it as failed and try again.\n";
        QTest::newRow("canceled") << 1 << true << false << "Job Canceled!"
                                  << head + "*** CANCELED ***"
                                  << "*** USER ABORTED UPLOAD ***\n";
    }
    void kx2RunEndsAsTheUnitSays() {
        QFETCH(int, clockScale);
        QFETCH(bool, silentStart);
        QFETCH(bool, silentEnd);
        QFETCH(QString, endText);
        QFETCH(QString, board);
        QFETCH(QString, paneEnd);
        clock = std::make_unique<test::FakeClock>(test::FakeClock::DefaultStart(),
                                                  static_cast<uint32_t>(clockScale));
        sim::Kx2Scenario scenario;
        scenario.silentStartRequests = silentStart ? 3 : 0;  // 3: the unit never answers
        if (silentEnd) {
            scenario.endOfPass = sim::Kx2Scenario::EndOfPass::kSilent;
            scenario.silentOnStatus = true;
        }
        sim::Kx2Unit unit(scenario);
        sim::UnitRunner line(unit, test::OpenPty());
        line.Start();
        UploadProgressWindow::Selection sel;
        sel.kx2 = true;
        sel.commPath = dir->Write("FIRMWARE.kx", test::PatternBytes(3000, 9));
        auto dlg = Make(sel, line.DevicePath());
        QVERIFY(dlg);
        dlg->show();
        QVERIFY(dlg->CancelButton()->isVisible());
        QCOMPARE(dlg->BoardButton(FileKind::kComm)->width(), 280);  // one wide board
        if (silentStart) {
            QVERIFY(QTest::qWaitFor([&] { return dlg->WorkerStarted(); }));
            QString asked;
            runner->AnswerNext(QMessageBox::Yes,
                               [&](QDialog& d) { asked = static_cast<QMessageBox&>(d).text(); });
            dlg->CancelButton()->click();
            QCOMPARE(asked, QString("Cancel Upload ?"));
            QVERIFY(dlg->isVisible());
            QCOMPARE(dlg->CancelButton()->text(), QString("Stopping..."));
        }
        QVERIFY(WaitEnd(*dlg));
        QCOMPARE(dlg->TimeToComplete()->text(), endText);
        QVERIFY2(dlg->BoardButton(FileKind::kComm)->text().startsWith(board),
                 qPrintable(dlg->BoardButton(FileKind::kComm)->text()));
        QVERIFY(dlg->MessagePane()->toPlainText().endsWith(paneEnd));
        QVERIFY(!dlg->CancelButton()->isVisible());
        runner->AnswerNext(QMessageBox::Yes);
        dlg->CancelButton()->click();  // the run is over: nothing left to cancel, nothing asked
        QCOMPARE(runner->PendingAnswers(), std::size_t{1});
        QVERIFY(dlg->isVisible());
        line.Stop();
    }

    // Handlers fed directly: the cases a short run does not reach.
    void handlersFollowTheirRules() {
        UploadProgressWindow::Selection sel;
        sel.commPath = "/x/c.bin";
        sel.readerPath = "/x/r.bin";
        Ini("[Sounds]\nPost Successful Upload=/snd/next.wav\nUploads Completed=a.wa\n"
            "Failed Upload=/snd/fail.wav\n");
        auto dlg = Make(sel);
        UploadProgress p;
        p.Board(FileKind::kComm) = {.packets = 1000, .estimate = 61};
        p.totalRemaining = 3725;
        const auto send = [&](const UploadEvent& e) { dlg->HandleEvent(e); };
        send(event::Estimates{p});
        QCOMPARE(dlg->BoardButton(FileKind::kComm)->text(),
                 QString(" 1:\n Load COMM\n c.bin\n 1000 Packets\n Estimate to Complete:\n  "
                         "1 min  1 sec"));
        QCOMPARE(dlg->Counter()->Text(), QString("62:05"));

        p.currentKind = FileKind::kComm;
        p.currentKindName = "COMM";
        p.currentPackets = 1000;
        p.secondsPerPacket = 1;
        send(event::FileStart{p});
        QCOMPARE(dlg->ProgressBar()->Text(), QString("COMM Board: 1000 packets"));

        p.currentPacketsSent = 1;
        p.currentRemaining = 999;
        send(event::PacketSent{p});
        QCOMPARE(dlg->ProgressBar()->Text(),
                 QString("COMM Board: Packet 1 of 1000 (1%). ETC: 16 min  39 sec"));
        QCOMPARE(dlg->BoardButton(FileKind::kComm)->Mode(), PaintedButton::DrawMode::kProgress);
        // Three packets in 0.3 s: the bar, the board and the counter all count at that rate.
        clock->Advance(300);
        p.currentPacketsSent = 4;
        send(event::PacketSent{p});
        QVERIFY(dlg->ProgressBar()->Text().endsWith("ETC: 1 min  40 sec"));
        QVERIFY(dlg->BoardButton(FileKind::kComm)->text().endsWith("Complete:\n  1 min  40 sec"));
        QCOMPARE(dlg->Counter()->Text(), QString("47:06"));
        // Every packet out, the unit's word awaited: waiting, counted down, no finished board.
        send(event::AwaitingConfirmation{p, 118});
        QCOMPARE(dlg->Counter()->Text(), QString("01:58"));
        QCOMPARE(dlg->ProgressBar()->Text(),
                 QString("Waiting for the unit to confirm the upload: 01:58 left"));
        QCOMPARE(dlg->BoardButton(FileKind::kComm)->Mode(), PaintedButton::DrawMode::kGradient);
        QVERIFY(dlg->BoardButton(FileKind::kComm)
                    ->text()
                    .endsWith("Waiting for the unit to confirm:\n  1 min  58 sec"));

        p.Board(FileKind::kComm).elapsed = 60;
        p.filesRemaining = 1;
        send(event::FileDone{p});
        QCOMPARE(dlg->BoardButton(FileKind::kComm)->text(),
                 QString(" 1:\n Load COMM\n c.bin\n\n COMPLETED in:\n  1 minutes"));

        // The pause: the first tick turns the bar purple and empties it, later ticks fill it.
        p.delayLength = 45;
        p.delayRemaining = 45;
        send(event::PauseTick{p});
        QCOMPARE(dlg->ProgressBar()->BarColor(), QColor(0x80, 0x00, 0x80));
        QCOMPARE(dlg->ProgressBar()->Text(), QString("Delay 45 seconds - before next upload"));
        p.delayRemaining = 40;
        send(event::PauseTick{p});
        QCOMPARE(dlg->ProgressBar()->Value(), 5.0f);

        p.currentKind = FileKind::kReader;
        p.currentKindName = "READER";
        p.filesRemaining = 0;
        send(event::FileStart{p});
        QCOMPARE(dlg->ProgressBar()->BarColor(), QColor(0x00, 0x00, 0x8B));
        p.Board(FileKind::kReader).elapsed = 6;
        send(event::FileDone{p});
        // "Uploads Completed" of 4 characters is not configured: the last success plays nothing.
        QCOMPARE(sounds->played, (std::vector<std::string>{"/snd/next.wav"}));
        p.currentKind = FileKind::kComm;
        send(event::FileFailed{p, "Next Packet", FailureCause::kBadAnswer});
        QCOMPARE(
            dlg->BoardButton(FileKind::kComm)->text(),
            QString(" 1:\n Load COMM\n c.bin\n\n *** FAILED ***\n at Next Packet\n (bad-answer)"));
        QCOMPARE(dlg->BoardButton(FileKind::kComm)->Mode(), PaintedButton::DrawMode::kGradient);
        QCOMPARE(sounds->played.back(), std::string("/snd/fail.wav"));

        // Unknown kinds and internal errors change nothing.
        const QString before = dlg->BoardButton(FileKind::kReader)->text();
        send(event::InternalError{});
        p.currentKind = FileKind{7};
        send(event::FileFailed{p, "Next Packet", FailureCause::kNoAnswer});
        QCOMPARE(dlg->BoardButton(FileKind::kReader)->text(), before);
    }

    void escInAMaximisedViewReturnsToNormal() {
        UploadProgressWindow::Selection sel;
        sel.speechPath = "/x/s.bin";
        auto dlg = Make(sel);
        dlg->show();
        dlg->MaxMsgsButton()->click();
        QCOMPARE(dlg->ViewMode(), 1);
        QVERIFY(dlg->NormalViewsButton()->isVisible());
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QCOMPARE(dlg->ViewMode(), 0);
        QCOMPARE(runner->AnsweredCount(), 0);  // no close check was offered
        QVERIFY(dlg->isVisible());
        // Show Ser View mirrors into the program-wide flag.
        dlg->ShowSerViewButton()->click();
        QVERIFY(state->showSerialData.load());
        QVERIFY(dlg->SerialPane()->isVisible());
    }
};

QTEST_MAIN(UploadProgressTest)
#include "UploadProgressWindowTest.moc"
