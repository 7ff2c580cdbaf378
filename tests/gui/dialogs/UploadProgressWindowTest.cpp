// The upload progress window over real runs: the worker thread and the POSIX line against the
// simulated HBD and KX2 units on pseudo-terminals, with a fake clock so pauses take no time;
// plus the notification handlers fed directly where a run cannot easily produce a case.
#include <QKeyEvent>
#include <QMessageBox>
#include <QtTest>
#include <memory>

#include "controls/ExtendedButton.h"
#include "controls/ExtendedLabel.h"
#include "controls/LogTextPane.h"
#include "controls/SevenSegmentCounter.h"
#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/ErrorMessageDialog.h"
#include "dialogs/ProgressBarCounter.h"
#include "dialogs/UploadProgressWindow.h"
#include "records/UploadHistory.h"
#include "settings/IniFile.h"
#include "sim/HbdUnit.h"
#include "sim/Kx2Unit.h"
#include "sim/PtyPair.h"
#include "sim/UnitRunner.h"
#include "tests/gui/dialogs/ProgressTestSupport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/TempDir.h"

using namespace quillon;

namespace {

constexpr int kRunTimeoutMs = 30000;
constexpr size_t kBoardOffset = 32768;

QString Caption(ExtendedButton* b) {
    return b->text();
}

}  // namespace

class UploadProgressTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<test::TempDir> dir;
    std::unique_ptr<test::FakeClock> clock;
    std::unique_ptr<ProgramState> state;
    std::unique_ptr<DialogRunner> runner;
    std::unique_ptr<test::RecordingSoundPlayer> sounds;

    void Ini(const std::string& text) { dir->Write("Quillon.ini", text); }

    std::unique_ptr<UploadProgressWindow> Make(UploadProgressWindow::Selection sel,
                                               UploadProgressWindow::SerialFactory factory) {
        return std::make_unique<UploadProgressWindow>(std::move(sel), *state, std::move(factory),
                                                      *clock, *runner, *sounds);
    }
    static bool WaitEnd(UploadProgressWindow& dlg) {
        return QTest::qWaitFor([&] { return dlg.RunState() == UploadProgressWindow::kEnded; },
                               kRunTimeoutMs);
    }
    static bool WaitWorkersGone() {
        return QTest::qWaitFor([] { return UploadProgressWindow::LiveWorkers() == 0; },
                               kRunTimeoutMs);
    }

  private slots:
    void init() {
        dir = std::make_unique<test::TempDir>();
        clock = std::make_unique<test::FakeClock>();
        state = std::make_unique<ProgramState>();
        state->appDir = dir->Dir();
        runner = std::make_unique<DialogRunner>();
        sounds = std::make_unique<test::RecordingSoundPlayer>();
        Ini("[HBD Params]\nDelay after File Upload=45\nWait for HBD Response=2\n"
            "[Sounds]\nPost Successful Upload=/snd/next.wav\nUploads Completed=/snd/all.wav\n"
            "Failed Upload=/snd/fail.wav\n[Load Files]\nLoad COMM First=1\n");
    }
    void cleanup() { QVERIFY(WaitWorkersGone()); }

    void hbdRunOfTwoFilesIsShownEndToEnd() {
        sim::HbdUnit unit;
        sim::UnitRunner line(unit);
        line.Start();
        UploadProgressWindow::Selection sel;
        sel.commPath = dir->Write("comm.bin", test::PatternFile(kBoardOffset + 3 * 1024, 1));
        sel.speechPath = dir->Write("speech.bin", test::PatternFile(1500, 3));
        sel.portNumber = 2;
        auto dlg = Make(sel, [&] {
            return std::make_shared<test::PacedSerial>(
                line.DevicePath(), [&](int done) { return unit.Boards().size() >= size_t(done); });
        });
        QCOMPARE(dlg->BoardNumber(1), 1);
        QCOMPARE(dlg->BoardNumber(2), 0);
        QCOMPARE(dlg->BoardNumber(3), 2);
        QCOMPARE(Caption(dlg->BoardButton(1)), QString(" 1:\n Load Comm\n comm.bin"));
        QCOMPARE(Caption(dlg->BoardButton(3)), QString(" 2:\n Load Speech\n speech.bin"));
        QCOMPARE(dlg->ProgressBar()->Text(), QString("5 out of 260 Packets"));
        QCOMPARE(dlg->Counter()->Text(), QString(" 0:0"));
        dlg->show();
        QVERIFY(WaitEnd(*dlg));

        QCOMPARE(dlg->Job()->outcome.load(), RunOutcome::kCompleted);
        QVERIFY(Caption(dlg->BoardButton(1))
                    .startsWith(" 1:\n Load COMM\n comm.bin\n\n COMPLETED in:\n  "));
        QVERIFY(Caption(dlg->BoardButton(3))
                    .startsWith(" 2:\n Load SPEECH\n speech.bin\n\n COMPLETED in:\n  "));
        QCOMPARE(dlg->BoardButton(1)->Mode(), ExtendedButton::DrawMode::kGradient);
        QVERIFY(dlg->ProgressBar()->Text().startsWith("SPEECH Board: Packet "));
        QCOMPARE(dlg->TimeToComplete()->text(), QString("Job Done!"));
        QVERIFY(dlg->TimeToComplete()->IsBlinking());
        QCOMPARE(dlg->AbortButton()->text(), QString("Exit"));
        QVERIFY(dlg->AbortButton()->isVisible());
        QVERIFY(!dlg->ProgressBar()->isVisible());
        QVERIFY(!dlg->Counter()->isVisible());
        QVERIFY(!dlg->MessagePane()->toPlainText().isEmpty());
        // The first file's success sound, then the all-done one; one play request each.
        QCOMPARE(sounds->played, (std::vector<std::string>{"/snd/next.wav", "/snd/all.wav"}));
        // 45 seconds of pause between the two files, in fake time.
        QVERIFY(clock->SleptMs() >= 45000u);
        dlg->AbortButton()->click();
        QVERIFY(!dlg->isVisible());
        line.Stop();
    }

    void failedFileShowsItsCaptionAndLook() {
        sim::FaultPlan faults;
        faults.hangupAfterPacket = 1;
        sim::HbdUnit unit(sim::HbdUnit::kDefaultBlockPackets, faults);
        sim::UnitRunner line(unit);
        line.Start();
        Ini("[Load Files]\nLoad COMM First=0\n[HBD Params]\nWait for HBD Response=1\n"
            "Retransmit Control Packets=1\nRetransmit Data Packets=1\n"
            "[Sounds]\nFailed Upload=/snd/fail.wav\n");
        UploadProgressWindow::Selection sel;
        sel.commPath = dir->Write("comm.bin", test::PatternFile(kBoardOffset + 2048, 1));
        sel.readerPath = dir->Write("reader.bin", test::PatternFile(kBoardOffset + 4096, 2));
        sel.portDevice = line.DevicePath();
        auto dlg = Make(sel, {});
        QCOMPARE(dlg->BoardNumber(2), 1);  // READER first
        QCOMPARE(dlg->BoardNumber(1), 2);
        dlg->show();
        QVERIFY(WaitEnd(*dlg));
        QCOMPARE(Caption(dlg->BoardButton(2)),
                 QString(" 1:\n Load READER\n reader.bin\n\n  *** FAILED ***"));
        // The failed look: red to dark red, progress drawing off.
        QCOMPARE(dlg->BoardButton(2)->Mode(), ExtendedButton::DrawMode::kGradient);
        QCOMPARE(sounds->played, (std::vector<std::string>{"/snd/fail.wav"}));
        // COMM was never attempted after READER failed.
        QVERIFY(Caption(dlg->BoardButton(1)).contains("Estimate to Complete"));
        line.Stop();
    }

    void escWithoutAllowAbortOnlyAsksToWait() {
        sim::PtyPair silent;  // nobody answers: the worker keeps waiting
        Ini("[HBD Params]\nWait for HBD Response=6\nRetransmit Control Packets=4\n");
        UploadProgressWindow::Selection sel;
        sel.commPath = dir->Write("comm.bin", test::PatternFile(kBoardOffset + 2048, 1));
        sel.portDevice = silent.DevicePath();
        auto dlg = Make(sel, {});
        dlg->show();
        QVERIFY(QTest::qWaitFor([&] { return dlg->WorkerStarted(); }));
        QString asked;
        bool single = false;
        runner->AnswerNext(ConfirmDialog::kResultYes, [&](QDialog& d) {
            auto& c = static_cast<ConfirmDialog&>(d);
            asked = c.Text();
            single = c.IsSingleButton();
        });
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QCOMPARE(asked,
                 QString("Upload is NOT finished yet!\n\n\nPlease Wait for upload to finish"));
        QVERIFY(single);
        QVERIFY(dlg->isVisible());
        QCOMPARE(dlg->Job()->abortRequest.load(), 0);
        QVERIFY(!dlg->AbortButton()->isVisible());  // no Abort without "Allow Abort"
        // Enter never ends the window while the worker runs.
        QTest::keyClick(dlg.get(), Qt::Key_Return);
        QVERIFY(dlg->isVisible());
        QVERIFY(WaitEnd(*dlg));  // the worker gives up on the silent unit by itself
        QCOMPARE(dlg->TimeToComplete()->text(), QString("Job Done!"));
    }

    void abortWithAllowAbortEndsAsCanceled() {
        sim::PtyPair silent;
        Ini("[Load Files]\nAllow Abort=1\n[HBD Params]\nWait for HBD Response=6\n");
        UploadProgressWindow::Selection sel;
        sel.commPath = dir->Write("comm.bin", test::PatternFile(kBoardOffset + 2048, 1));
        sel.portDevice = silent.DevicePath();
        auto dlg = Make(sel, {});
        dlg->show();
        QVERIFY(dlg->AbortButton()->isVisible());
        QVERIFY(QTest::qWaitFor([&] { return dlg->WorkerStarted(); }));
        QString asked;
        runner->AnswerNext(ConfirmDialog::kResultYes,
                           [&](QDialog& d) { asked = static_cast<ConfirmDialog&>(d).Text(); });
        dlg->AbortButton()->click();
        QCOMPARE(asked, QString("Upload is NOT finished yet!\n\nAre you sure?\n\nAbort Upload?"));
        QVERIFY(dlg->isVisible());  // the run ends through the worker, not here
        QCOMPARE(dlg->Job()->abortRequest.load(), 1);
        QVERIFY(WaitEnd(*dlg));
        QCOMPARE(dlg->TimeToComplete()->text(), QString("Job Canceled!"));
        QCOMPARE(dlg->Job()->outcome.load(), RunOutcome::kAborted);
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QVERIFY(!dlg->isVisible());
    }

    void portOpenFailureIsReportedAndClosable() {
        UploadProgressWindow::Selection sel;
        sel.commPath = dir->Write("comm.bin", test::PatternFile(kBoardOffset + 2048, 1));
        sel.portNumber = 7;
        sel.portDevice = dir->File("no-such-tty");
        sel.baudRate = 57600;
        auto dlg = Make(sel, {});
        int errorNumber = 0;
        QString message;
        runner->AnswerNext(1, [&](QDialog& d) {
            auto& e = static_cast<ErrorMessageDialog&>(d);
            errorNumber = e.ErrorNumber();
            message = e.Message();
        });
        dlg->show();
        QVERIFY(WaitEnd(*dlg));
        QVERIFY(QTest::qWaitFor([&] { return runner->AnsweredCount() == 1; }));
        QCOMPARE(errorNumber, 201);
        QCOMPARE(message, QString("Failed to open serial port!\n\nPort: %1\nBaud Rate: 57600")
                              .arg(QString::fromStdString(dir->File("no-such-tty"))));
        QCOMPARE(dlg->Job()->outcome.load(), RunOutcome::kPortOpenFailed);
        QCOMPARE(dlg->TimeToComplete()->text(), QString("Job FAILED!"));
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QVERIFY(!dlg->isVisible());
    }

    void kx2RunIsShownAsOneBoard() {
        sim::Kx2Unit unit;
        sim::UnitRunner line(unit);
        line.Start();
        UploadProgressWindow::Selection sel;
        sel.kx2 = true;
        sel.commPath = dir->Write("FIRMWARE.kx", test::PatternFile(3000, 9));
        sel.portDevice = line.DevicePath();
        sel.baudRate = 115200;
        auto dlg = Make(sel, {});
        dlg->show();
        QVERIFY(dlg->CancelButton()->isVisible());
        QCOMPARE(dlg->BoardButton(1)->width(), 280);
        QVERIFY(WaitEnd(*dlg));
        QCOMPARE(dlg->Job()->outcome.load(), RunOutcome::kCompleted);
        QCOMPARE(dlg->TimeToComplete()->text(), QString("Job Done!"));
        // A KX2 success ends with UM_WORKER_DONE alone: the board keeps its last progress.
        QVERIFY(Caption(dlg->BoardButton(1))
                    .startsWith(" 1:\n Load COMM\n FIRMWARE.kx\n\n Estimate to Complete:\n  "));
        line.Stop();
    }

    void kx2CancelClosesAtOnceAndTheWorkerEndsAlone() {
        sim::Kx2Scenario scenario;
        scenario.silentStartRequests = 3;  // never answers: the worker keeps asking
        sim::Kx2Unit unit(scenario);
        sim::UnitRunner line(unit);
        line.Start();
        UploadProgressWindow::Selection sel;
        sel.kx2 = true;
        sel.commPath = dir->Write("FIRMWARE.kx", test::PatternFile(3000, 9));
        sel.portDevice = line.DevicePath();
        auto dlg = Make(sel, {});
        dlg->show();
        QVERIFY(QTest::qWaitFor([&] { return dlg->WorkerStarted(); }));
        QString asked;
        runner->AnswerNext(QMessageBox::Yes,
                           [&](QDialog& d) { asked = static_cast<QMessageBox&>(d).text(); });
        dlg->CancelButton()->click();
        QCOMPARE(asked, QString("Cancel Upload ?"));
        QVERIFY(!dlg->isVisible());
        std::shared_ptr<const UploadJob> job = dlg->Job();
        QCOMPARE(job->abortRequest.load(), 1);
        dlg.reset();  // the window goes while its worker may still run
        QVERIFY(WaitWorkersGone());
        QCOMPARE(job->finished.load(), 1);
        line.Stop();
    }

    void kx2UnitSilentAtTheEndIsShownAsAFailure() {
        clock = std::make_unique<test::FakeClock>(test::FakeClock::DefaultStart(), 100);
        sim::Kx2Scenario scenario;
        scenario.endOfPass = sim::Kx2Scenario::EndOfPass::kSilent;
        scenario.silentOnStatus = true;
        sim::Kx2Unit unit(scenario);
        sim::UnitRunner line(unit);
        line.Start();
        UploadProgressWindow::Selection sel;
        sel.kx2 = true;
        sel.commPath = dir->Write("FIRMWARE.kx", test::PatternFile(2000, 9));
        sel.portDevice = line.DevicePath();
        auto dlg = Make(sel, {});
        dlg->show();
        QVERIFY(WaitEnd(*dlg));
        QCOMPARE(dlg->Job()->outcome.load(), RunOutcome::kNoFinalAnswer);
        QCOMPARE(dlg->TimeToComplete()->text(), QString("Job FAILED!"));
        QCOMPARE(Caption(dlg->BoardButton(1)),
                 QString(" 1:\n Load COMM\n FIRMWARE.kx\n\n *** FAILED ***"));
        QCOMPARE(sounds->played, (std::vector<std::string>{"/snd/fail.wav"}));
        line.Stop();
    }

    // Handlers fed directly: the cases a short run does not reach.
    void handlersFollowTheirRules() {
        UploadProgressWindow::Selection sel;
        sel.commPath = "/x/c.bin";
        sel.readerPath = "/x/r.bin";
        sel.startWorker = false;
        Ini("[Sounds]\nPost Successful Upload=/snd/next.wav\nUploads Completed=a.wa\n");
        auto dlg = Make(sel, {});
        UploadProgress p;
        p.commPackets = 1000;
        p.readerPackets = 3;
        p.commEstimate = 61;
        p.readerEstimate = 120;
        p.totalRemaining = 3725;
        const auto send = [&](NotificationCode code, int64_t wParam = 0) {
            Notification n(code, wParam);
            n.progress = &p;
            dlg->HandleNotification(n);
        };
        send(UM_PROGRESS, 1);
        QCOMPARE(Caption(dlg->BoardButton(1)),
                 QString(" 1:\n Load COMM\n c.bin\n 1000 Packets\n Estimate to Complete:\n  "
                         "1 min  1 sec"));
        QCOMPARE(Caption(dlg->BoardButton(2)),
                 QString(" 2:\n Load READER\n r.bin\n 3 Packets\n Estimate to Complete:\n  "
                         "2 minutes"));
        QCOMPARE(dlg->Counter()->Text(), QString("62:05"));

        p.currentKind = 1;
        p.currentKindName = "COMM";
        p.currentPackets = 1000;
        p.secondsPerPacket = 1;
        send(UM_FILE_START);
        QCOMPARE(dlg->ProgressBar()->Text(), QString("COMM Board: 1000 packets"));
        QCOMPARE(dlg->ProgressBar()->BarMaximum(), 1000);

        p.currentPacketsSent = 1;
        p.currentRemaining = 59;
        send(UM_PROGRESS);
        QCOMPARE(dlg->ProgressBar()->Text(),
                 QString("COMM Board: Packet 1 of 1000 (1%). ETC: 16 min  39 sec"));
        QCOMPARE(Caption(dlg->BoardButton(1)),
                 QString(" 1:\n Load COMM\n c.bin\n\n Estimate to Complete:\n  59 seconds"));
        QCOMPARE(dlg->BoardButton(1)->Mode(), ExtendedButton::DrawMode::kProgress);

        p.commElapsed = 60;
        p.filesRemaining = 1;
        send(UM_FILE_DONE);
        QCOMPARE(Caption(dlg->BoardButton(1)),
                 QString(" 1:\n Load COMM\n c.bin\n\n COMPLETED in:\n  1 minutes"));

        // The pause: the first tick turns the bar purple and empties it, later ticks fill it.
        p.delayLength = 45;
        p.delayRemaining = 45;
        send(UM_DELAY_TICK);
        QCOMPARE(dlg->ProgressBar()->BarColor(), QColor(0x80, 0x00, 0x80));
        QCOMPARE(dlg->ProgressBar()->Value(), 0.0f);
        QCOMPARE(dlg->ProgressBar()->Text(), QString("Delay 45 seconds - before next upload"));
        p.delayRemaining = 40;
        send(UM_DELAY_TICK);
        QCOMPARE(dlg->ProgressBar()->Value(), 5.0f);

        p.currentKind = 2;
        p.currentKindName = "READER";
        p.filesRemaining = 0;
        send(UM_FILE_START);
        QCOMPARE(dlg->ProgressBar()->BarColor(), QColor(0x00, 0x00, 0x8B));
        p.readerElapsed = 6;
        send(UM_FILE_DONE);
        // "Uploads Completed" of 4 characters is not configured: the last success plays nothing.
        QCOMPARE(sounds->played, (std::vector<std::string>{"/snd/next.wav"}));

        // Null records, unknown kinds and internal errors change nothing.
        const QString before = Caption(dlg->BoardButton(2));
        dlg->HandleNotification(Notification(UM_FILE_FAILED));
        dlg->HandleNotification(Notification(UM_INTERNAL_ERROR));
        p.currentKind = 7;
        send(UM_FILE_FAILED);
        QCOMPARE(Caption(dlg->BoardButton(2)), before);
    }

    void escInAMaximisedViewReturnsToNormal() {
        UploadProgressWindow::Selection sel;
        sel.speechPath = "/x/s.bin";
        sel.startWorker = false;
        auto dlg = Make(sel, {});
        dlg->show();
        QCOMPARE(dlg->BoardNumber(3), 1);
        QCOMPARE(dlg->BoardButton(3)->x(), 10);
        dlg->MaxMsgsButton()->click();
        QCOMPARE(dlg->ViewMode(), 1);
        QVERIFY(dlg->NormalViewsButton()->isVisible());
        QTest::keyClick(dlg.get(), Qt::Key_Escape);
        QCOMPARE(dlg->ViewMode(), 0);
        QCOMPARE(runner->AnsweredCount(), 0);  // no close check was offered
        QVERIFY(dlg->isVisible());
        // Show Ser View mirrors into the program-wide flag.
        QCOMPARE(state->showSerialData.load(), 0);
        dlg->ShowSerViewButton()->click();
        QCOMPARE(state->showSerialData.load(), 1);
        QCOMPARE(dlg->ShowSerViewButton()->text(), QString("Hide Serial Data"));
        QVERIFY(dlg->SerialPane()->isVisible());
    }
};

QTEST_MAIN(UploadProgressTest)
#include "UploadProgressWindowTest.moc"
