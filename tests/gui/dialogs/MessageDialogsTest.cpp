// The message dialogs' results, limits, hidden parts and look, and the dialog runner seam.
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include "controls/ExtendedButton.h"
#include "controls/ExtendedLabel.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/ConfirmDialog.h"
#include "dialogs/DialogRunner.h"
#include "dialogs/ErrorMessageDialog.h"

using quillon::AboutDialog;
using quillon::ConfirmDialog;
using quillon::DialogRunner;
using quillon::ErrorMessageDialog;

namespace {

enum class Action { kYes, kNo, kEscape, kEnter };

void Perform(ConfirmDialog& dialog, Action action) {
    switch (action) {
        case Action::kYes:
            QTest::mouseClick(dialog.YesButton(), Qt::LeftButton);
            break;
        case Action::kNo:
            QTest::mouseClick(dialog.NoButton(), Qt::LeftButton);
            break;
        case Action::kEscape:
            QTest::keyClick(&dialog, Qt::Key_Escape);
            break;
        case Action::kEnter:
            QTest::keyClick(&dialog, Qt::Key_Return);
            break;
    }
}

}  // namespace

Q_DECLARE_METATYPE(Action)

class MessageDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void ConfirmResults_data();
    void ConfirmResults();
    void SingleButtonFormPlacesOk();
    void ConfirmTextIsCutAt1020();
    void ConfirmNullFormatKeepsText();
    void ErrorWithNeitherFileNorMessageShowsOnlyBandAndButtons();
    void ErrorShowsFileAndMessage();
    void ErrorButtonsAndKeysAllEndIt_data();
    void ErrorButtonsAndKeysAllEndIt();
    void ErrorDialogLook();
    void ErrorDialogGrowsToShowALongMessage();
    void AboutShowsVersionBuildAndSystem();
    void RunnerAnswersWithoutShowing();
};

void MessageDialogsTest::ConfirmResults_data() {
    QTest::addColumn<bool>("single");
    QTest::addColumn<Action>("action");
    QTest::addColumn<int>("result");
    QTest::newRow("YES") << false << Action::kYes << 1;
    QTest::newRow("NO") << false << Action::kNo << 2;
    QTest::newRow("Esc") << false << Action::kEscape << 2;
    QTest::newRow("Enter presses the default NO") << false << Action::kEnter << 2;
    QTest::newRow("single OK") << true << Action::kYes << 1;
    QTest::newRow("single Esc") << true << Action::kEscape << 2;
}

void MessageDialogsTest::ConfirmResults() {
    QFETCH(bool, single);
    QFETCH(Action, action);
    QFETCH(int, result);
    ConfirmDialog dialog;
    dialog.SetSingleButton(single);
    dialog.SetText("Delete %d log files?", 3);
    dialog.open();
    QVERIFY(dialog.isVisible());
    Perform(dialog, action);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), result);
}

void MessageDialogsTest::SingleButtonFormPlacesOk() {
    ConfirmDialog dialog;
    dialog.SetSingleButton(true);
    QVERIFY(dialog.NoButton()->isHidden());
    QCOMPARE(dialog.YesButton()->text(), QStringLiteral("OK"));
    const QRect ok = dialog.YesButton()->geometry();
    QCOMPARE(ok.size(), QSize(120, 50));
    QVERIFY(qAbs(ok.left() - (dialog.width() - 1 - ok.right())) <= 1);  // centred
    QCOMPARE(ok.top(), dialog.height() - 70);
    dialog.SetSingleButton(false);
    QVERIFY(!dialog.NoButton()->isHidden());
    QCOMPARE(dialog.YesButton()->text(), QStringLiteral("YES"));
}

void MessageDialogsTest::ConfirmTextIsCutAt1020() {
    ConfirmDialog dialog;
    const std::string longText(1500, 'q');
    dialog.SetText("%s", longText.c_str());
    QCOMPARE(dialog.Text().size(), qsizetype{1020});
    QCOMPARE(dialog.TextStatic()->text(), dialog.Text());
    dialog.SetText("%s", std::string(1020, 'r').c_str());
    QCOMPARE(dialog.Text(), QString(1020, QLatin1Char('r')));
}

void MessageDialogsTest::ConfirmNullFormatKeepsText() {
    ConfirmDialog dialog;
    dialog.SetText("Keep me");
    const char* noFormat = nullptr;
    dialog.SetText(noFormat);
    QCOMPARE(dialog.Text(), QStringLiteral("Keep me"));
}

void MessageDialogsTest::ErrorWithNeitherFileNorMessageShowsOnlyBandAndButtons() {
    ErrorMessageDialog dialog;
    dialog.Set(200, nullptr, nullptr);
    dialog.open();
    QCOMPARE(dialog.TitleText(), QStringLiteral("Error ID: 200"));
    QVERIFY(dialog.MessageStatic()->isHidden());
    QVERIFY(dialog.SecondStatic()->isHidden());
    QVERIFY(dialog.FileNameStatic()->isHidden());
    QVERIFY(dialog.OkButton()->isVisible());
    QVERIFY(dialog.ResolveButton()->isVisible());
    QVERIFY(dialog.PictureButton()->isVisible());
    dialog.close();
}

void MessageDialogsTest::ErrorShowsFileAndMessage() {
    ErrorMessageDialog dialog;
    dialog.Set(105, "/tmp/a b;c.bin", "Size test failed: %d blocks", 42);
    QVERIFY(!dialog.MessageStatic()->isHidden());
    QVERIFY(!dialog.FileNameStatic()->isHidden());
    QVERIFY(dialog.SecondStatic()->isHidden());
    QCOMPARE(dialog.MessageStatic()->text(), QStringLiteral("Size test failed: 42 blocks"));
    QCOMPARE(dialog.FileNameStatic()->text(), QStringLiteral("File Name: /tmp/a b;c.bin"));
    // A later call without a file name keeps the one given before.
    dialog.Set(106, nullptr, "Other");
    QCOMPARE(dialog.FileName(), QStringLiteral("/tmp/a b;c.bin"));
    QCOMPARE(dialog.TitleText(), QStringLiteral("Error ID: 106"));
    dialog.SetMessage(QString(3000, QLatin1Char('m')));
    QCOMPARE(dialog.Message().size(), qsizetype{1022});
    dialog.SetFileName(QString(3000, QLatin1Char('f')));
    QCOMPARE(dialog.FileName().size(), qsizetype{1023});
}

void MessageDialogsTest::ErrorButtonsAndKeysAllEndIt_data() {
    QTest::addColumn<int>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("OK") << 0 << 1;
    QTest::newRow("How to Resolve is like Esc") << 1 << 2;
    QTest::newRow("Esc") << 2 << 2;
    QTest::newRow("Enter") << 3 << 1;
}

void MessageDialogsTest::ErrorButtonsAndKeysAllEndIt() {
    QFETCH(int, how);
    QFETCH(int, result);
    ErrorMessageDialog dialog;
    dialog.Set(201, nullptr, "Port does not open");
    dialog.open();
    switch (how) {
        case 0:
            QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
            break;
        case 1:
            QTest::mouseClick(dialog.ResolveButton(), Qt::LeftButton);
            break;
        case 2:
            QTest::keyClick(&dialog, Qt::Key_Escape);
            break;
        default:
            QTest::keyClick(&dialog, Qt::Key_Enter);
            break;
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), result);
}

void MessageDialogsTest::ErrorDialogLook() {
    ErrorMessageDialog dialog;
    dialog.SetErrorNumber(7);
    const QImage image = dialog.grab().toImage();
    QCOMPARE(QColor(image.pixel(1, 1)), QColor(128, 0, 0));                   // frame
    QCOMPARE(QColor(image.pixel(6, 20)), QColor(255, 0, 0));                  // band start
    QCOMPARE(QColor(image.pixel(image.width() - 7, 20)), QColor(139, 0, 0));  // band end
    QCOMPARE(QColor(image.pixel(image.width() / 2, image.height() - 8)),
             QColor(Qt::white));  // body below the buttons
    QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(dialog.OkButton()->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(dialog.ResolveButton()->cursor().shape(), Qt::PointingHandCursor);
}

void MessageDialogsTest::ErrorDialogGrowsToShowALongMessage() {
    ErrorMessageDialog dialog;
    const int shortHeight = dialog.height();
    const QString text = QStringLiteral(
        "Failed to open serial port!\n\nPort: /dev/ttyUSB0\nBaud Rate: 19200\n\nThe device is "
        "in use by another program; check the cable/adapter is plugged in and that you may use "
        "the port (group dialout).");
    dialog.SetMessage(text);
    const quillon::ExtendedLabel* message = dialog.MessageStatic();
    const QRect needed =
        QFontMetrics(message->font())
            .boundingRect(QRect(0, 0, message->width(), shortHeight * 10),
                          static_cast<int>(message->alignment()) | Qt::TextWordWrap, text);
    QVERIFY(needed.height() <= message->height());
    QVERIFY(dialog.height() > shortHeight);
    QVERIFY(message->geometry().bottom() < dialog.OkButton()->geometry().top());
    QVERIFY(dialog.rect().contains(dialog.OkButton()->geometry()));
}

void MessageDialogsTest::AboutShowsVersionBuildAndSystem() {
    quillon::ProgramState state;
    state.osVersionText = "TestOS 9 (kernel 1.2.3), 64-bit";
    AboutDialog dialog(state);
    QVERIFY(dialog.TitleText().startsWith(QStringLiteral("Quillon-7\nVersion 0.5 (Built : ")));
    QVERIFY(dialog.TitleText().endsWith(QLatin1Char(')')));
    // Month name, day (space-padded), four-digit year, two spaces, hh:mm:ss.
    const QRegularExpression buildPattern(
        QStringLiteral("^Built : [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4}  [0-9]{2}:[0-9]{2}:[0-9]{2}$"));
    QVERIFY2(buildPattern.match(AboutDialog::BuildText()).hasMatch(),
             qPrintable(AboutDialog::BuildText()));
    QVERIFY(dialog.TitleText().contains(AboutDialog::BuildText()));
    QCOMPARE(dialog.ProgramInfoStatic()->text(),
             QStringLiteral("Windows Version:\nTestOS 9 (kernel 1.2.3), 64-bit"));
    const QStringList maker = dialog.MakerInfoStatic()->text().split(QLatin1Char('\n'));
    QCOMPARE(maker.size(), 7);
    QCOMPARE(maker.at(0), QStringLiteral("Corvane Signal Works"));
    QVERIFY(maker.at(3).isEmpty());
    dialog.open();
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    QCOMPARE(dialog.result(), 1);
}

void MessageDialogsTest::RunnerAnswersWithoutShowing() {
    DialogRunner runner;
    bool sawText = false;
    QWidget owner;
    owner.setGeometry(120, 90, 500, 400);
    QPoint centre;
    runner.AnswerNext(ConfirmDialog::kResultYes, [&sawText, &centre](QDialog& shown) {
        auto* confirm = qobject_cast<ConfirmDialog*>(&shown);
        QVERIFY(confirm != nullptr);
        sawText = confirm->Text() == QStringLiteral("Overwrite?");
        centre = shown.geometry().center();
    });
    runner.AnswerNext(ConfirmDialog::kResultNo);
    // Every dialog the runner shows opens centred over its parent's window.
    ConfirmDialog first(&owner);
    first.SetText("Overwrite?");
    QCOMPARE(runner.Run(first), 1);
    QVERIFY(sawText);
    QCOMPARE(centre, owner.geometry().center());
    ConfirmDialog second;
    QCOMPARE(runner.Run(second), 2);
    QCOMPARE(second.result(), 2);
    QCOMPARE(runner.PendingAnswers(), std::size_t{0});
    QCOMPARE(runner.AnsweredCount(), 2);
}

QTEST_MAIN(MessageDialogsTest)
#include "MessageDialogsTest.moc"
