// The confirmation, notice and error dialogs: what each button and key answers, and the parts
// an error shows; the default sound for a sound that cannot be played.
#include <QTest>

#include "controls/PaintedButton.h"
#include "controls/PaintedLabel.h"
#include "dialogs/ConfirmDialog.h"
#include "dialogs/ErrorMessageDialog.h"
#include "dialogs/SystemSoundPreview.h"
#include "program/ErrorCatalogue.h"

using quillon::ConfirmDialog;
using quillon::ErrorMessageDialog;

namespace {

enum class Kind { kConfirm, kNotice, kError };

}  // namespace

Q_DECLARE_METATYPE(Kind)

class MessageDialogsTest : public QObject {
    Q_OBJECT

  private slots:
    // The sound test on a file it cannot play is never silent.
    void UnplayableSoundPlaysTheDefault() {
        static int defaultSounds = 0;
        quillon::SystemSoundPreview preview([] { ++defaultSounds; });
        QVERIFY(!preview.PlayAndWait("/no/such/folder/missing.wav"));
        QCOMPARE(defaultSounds, 1);
    }

    void Answers_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("press");  // 1: YES/OK, 2: NO, or a key
        QTest::addColumn<int>("result");
        const int esc = Qt::Key_Escape;
        const int enter = Qt::Key_Return;
        QTest::newRow("YES") << Kind::kConfirm << 1 << 1;
        QTest::newRow("NO") << Kind::kConfirm << 2 << 2;
        QTest::newRow("confirm Esc") << Kind::kConfirm << esc << 2;
        QTest::newRow("confirm Enter presses the default NO") << Kind::kConfirm << enter << 2;
        QTest::newRow("notice OK") << Kind::kNotice << 1 << 1;
        QTest::newRow("notice Esc") << Kind::kNotice << esc << 2;
        QTest::newRow("error OK") << Kind::kError << 1 << 1;
        QTest::newRow("error Esc") << Kind::kError << esc << 2;
        QTest::newRow("error Enter") << Kind::kError << enter << 1;
    }

    void Answers() {
        QFETCH(Kind, kind);
        QFETCH(int, press);
        QFETCH(int, result);
        ConfirmDialog confirm;
        confirm.SetSingleButton(kind == Kind::kNotice);
        confirm.SetText("Delete %d log files?", 3);
        ErrorMessageDialog error;
        error.Set(201, nullptr, "Port does not open");
        const bool isError = kind == Kind::kError;
        QDialog& dialog = isError ? static_cast<QDialog&>(error) : confirm;
        QWidget* first = isError ? error.OkButton() : confirm.YesButton();
        QWidget* second = isError ? error.ResolveButton() : confirm.NoButton();
        dialog.open();
        QCOMPARE(second->isVisible(), kind != Kind::kNotice);
        if (press <= 2) {
            QTest::mouseClick(press == 1 ? first : second, Qt::LeftButton);
        } else {
            QTest::keyClick(&dialog, static_cast<Qt::Key>(press));
        }
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), result);
    }

    void ErrorShowsOnlyWhatItIsGiven() {
        ErrorMessageDialog dialog;
        dialog.Set(200, nullptr, nullptr);
        dialog.open();
        QCOMPARE(dialog.TitleText(), QStringLiteral("Error ID: 200"));
        QVERIFY(dialog.MessageStatic()->isHidden());
        QVERIFY(dialog.SecondStatic()->isHidden());
        QVERIFY(dialog.FileNameStatic()->isHidden());
        QVERIFY(dialog.OkButton()->isVisible());
        dialog.Set(105, "/tmp/a b;c.bin", "Size test failed: %d blocks", 42);
        QCOMPARE(dialog.TitleText(), QStringLiteral("Error ID: 105"));
        QVERIFY(dialog.MessageStatic()->isVisible());
        QVERIFY(dialog.FileNameStatic()->isVisible());
        QCOMPARE(dialog.MessageStatic()->text(), QStringLiteral("Size test failed: 42 blocks"));
        QCOMPARE(dialog.FileNameStatic()->text(), QStringLiteral("File Name: /tmp/a b;c.bin"));

        // A long path wraps inside the word and the resolution goes below the message: the
        // dialog grows until every line shows above the buttons.
        const QString path = "/media/tech/" + QString(40, 'X') + "/" + QString(160, 'y') + ".bin";
        dialog.SetFileName(path);
        const int before = dialog.height();
        QTest::mouseClick(dialog.ResolveButton(), Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.SecondStatic()->text(), QString(quillon::error::kCommSize.resolution));
        QVERIFY(dialog.SecondStatic()->isVisible());
        QVERIFY(dialog.height() > before);
        for (const auto* label :
             {dialog.MessageStatic(), dialog.SecondStatic(), dialog.FileNameStatic()}) {
            const QRect box = label->geometry();
            const int wrap =
                label == dialog.FileNameStatic() ? Qt::TextWrapAnywhere : Qt::TextWordWrap;
            QVERIFY(QFontMetrics(label->font())
                        .boundingRect(QRect(0, 0, box.width(), 10000), wrap, label->text())
                        .height() <= box.height());
            QVERIFY(box.bottom() < dialog.OkButton()->geometry().top());
        }
    }
};

QTEST_MAIN(MessageDialogsTest)
#include "MessageDialogsTest.moc"
