// The progress panes (time stamps, colours and length limits of log and hex lines; following
// their end), the layout at window sizes around its thresholds, the font settings file and the
// pane menu's viewer copy.
#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QtTest>
#include <fstream>
#include <vector>

#include "controls/LogTextPane.h"
#include "dialogs/FontRecordQt.h"
#include "dialogs/PaneMenu.h"
#include "dialogs/ProgressLayout.h"
#include "dialogs/ProgressPanes.h"
#include "dialogs/TextFileWindow.h"
#include "records/FontInfoFile.h"
#include "tests/support/FakeClock.h"
#include "tests/support/TempDir.h"

using namespace quillon;

namespace {

const QTime kNoon(12, 34, 56, 789);

// The colour of the character at a position of the pane's text.
QColor ColorAt(LogTextPane* pane, int position) {
    QTextCursor c(pane->document());
    c.setPosition(position + 1);
    return c.charFormat().foreground().color();
}

std::vector<uint8_t> Bytes(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        v[i] = static_cast<uint8_t>(i);
    }
    return v;
}

}  // namespace

class ProgressPanesTest : public QObject {
    Q_OBJECT

  private slots:
    void logLineKindsHaveTheirColourAndStamp_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<bool>("stamped");
        QTest::newRow("0 error") << 0 << QColor(0x80, 0, 0) << true;
        QTest::newRow("6 timing") << 6 << QColor(0x80, 0, 0x80) << false;
        QTest::newRow("9 other") << 9 << QColor(0, 0, 0) << true;
    }
    void logLineKindsHaveTheirColourAndStamp() {
        QFETCH(int, level);
        QFETCH(QColor, color);
        QFETCH(bool, stamped);
        QWidget owner;
        ProgressPanes panes(&owner, [] { return kNoon; });
        panes.AppendLogLine(level, "Prep 2: Success\n");
        const QString text = panes.Messages()->toPlainText();
        QCOMPARE(text, (stamped ? "12:34:56.789  " : "") + QString("Prep 2: Success\n"));
        QCOMPARE(ColorAt(panes.Messages(), static_cast<int>(text.indexOf("Prep"))), color);
    }

    void logAndHexLinesKeepTheirLimits() {
        QWidget owner;
        ProgressPanes panes(&owner, [] { return kNoon; });
        panes.AppendLogLine(1, std::string(2049, 'x'));  // too long: dropped
        panes.AppendLogLine(1, std::string(2048, 'y'));
        QCOMPARE(panes.Messages()->toPlainText().size(), 14 + 2048);

        panes.AppendBytes(false, Bytes(500), true);  // received: the first 300 bytes
        QString text = panes.Bytes()->toPlainText();
        QVERIFY(text.startsWith("12:34:56 from HBD: 00 01 02 "));
        QVERIFY(text.endsWith(" 2A 2B \n"));  // byte 299
        QCOMPARE(text.size(), 19 + 300 * 3 + 1);
        QCOMPARE(ColorAt(panes.Bytes(), 20), QColor(0, 0, 0xFF));

        panes.Bytes()->clear();
        panes.AppendBytes(true, Bytes(2048), true);  // sent: all of them
        text = panes.Bytes()->toPlainText();
        QVERIFY(text.startsWith("12:34:56   to HBD: 00 01 "));
        QCOMPARE(text.size(), 19 + 2048 * 3 + 1);
        QCOMPARE(ColorAt(panes.Bytes(), 20), QColor(0, 0, 0x8B));
    }

    // A pane shows its newest lines as they come, unless scrolled up to read: then it stays put
    // until scrolled back to its end.
    void paneFollowsItsEndUnlessScrolledUp() {
        QWidget owner;
        ProgressPanes panes(&owner, [] { return kNoon; });
        panes.Messages()->resize(300, 100);
        QScrollBar* bar = panes.Messages()->verticalScrollBar();
        const auto lines = [&](int count) {
            for (int i = 0; i < count; ++i) {
                panes.AppendLogLine(1, "Sending to HBD; Prepare for packet\n");
            }
        };
        lines(40);
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        bar->setValue(1);
        lines(5);
        QCOMPARE(bar->value(), 1);
        bar->setValue(bar->maximum());
        lines(5);
        QCOMPARE(bar->value(), bar->maximum());
    }

    // At sizes around the thresholds and at the window's minimum (width 0 below), in every view
    // and run state: each control inside the window and clear of the others, the panes clear of
    // the buttons and of each other, the boards left to right in load order, the maximised view
    // showing its own pane, the Max button from the width it needs; at the minimum every board
    // and the serial-view switch shown.
    void layoutAtWindowSizes() {
        for (int i = 0; i < 7 * 2 * 24; ++i) {
            ProgressLayout::Input in;
            const int flags = i / 14;
            in.kx2 = flags & 1;
            in.serialShown = flags & 2;
            in.running = flags & 4;
            in.viewMode = flags / 8;
            in.allowAbort = true;
            in.boardNumbers = in.kx2 ? std::array{1, 0, 0} : std::array{3, 1, 2};
            const QSize least = ProgressLayout::MinimumSize(in);
            in.width = std::array{329, 330, 429, 430, 601, 1280, 0}[i % 7];
            in.height = i / 7 % 2 == 0 ? 200 : 800;
            const bool atLeast = in.width == 0;
            if (atLeast) {
                in.width = least.width();
                in.height = least.height();
            }
            const auto r = ProgressLayout::Compute(in);
            const QString where = QString("%1x%2 flags %3").arg(in.width).arg(in.height).arg(flags);
            const QList<QRect> buttons = {r.boards[0], r.boards[1], r.boards[2],     r.counter,
                                          r.maxMsgs,   r.maxBytes,  r.showSerView,   r.normalViews,
                                          r.abort,     r.cancel,    r.timeToComplete};
            const QRect window(0, 0, in.width, in.height - 3);  // clear of the bottom edge
            for (int b = 0; b < buttons.size(); ++b) {
                QVERIFY2(buttons[b].isEmpty() || window.contains(buttons[b]), qPrintable(where));
                QVERIFY2(
                    !r.messagePane.intersects(buttons[b]) && !r.serialPane.intersects(buttons[b]),
                    qPrintable(where));
                for (int o = b + 1; o < buttons.size(); ++o) {
                    QVERIFY2(!buttons[b].intersects(buttons[o]),
                             qPrintable(where + QString(" %1 %2").arg(b).arg(o)));
                }
            }
            for (const QRect& c : {r.bar, r.messagePane, r.serialPane}) {
                QVERIFY2(c.isEmpty() || window.contains(c), qPrintable(where));
            }
            QVERIFY2(!r.messagePane.intersects(r.serialPane), qPrintable(where));
            const bool normal = in.viewMode == 0;
            QCOMPARE(r.messagePane.isEmpty(), in.viewMode == 2);
            QCOMPARE(r.serialPane.isEmpty(), normal ? !in.serialShown : in.viewMode == 1);
            QCOMPARE(r.maxMsgs.isEmpty(), !normal || in.width < (in.serialShown ? 430 : 330));
            QVERIFY2(!normal || in.width < 600 || !r.showSerView.isEmpty(), qPrintable(where));
            if (normal && !in.kx2) {
                // READER, SPEECH, COMM from the left, as many as fit beside the counter or,
                // wider, the Exit column; all three at 1280.
                const QList<QRect> order = {r.boards[1], r.boards[2], r.boards[0]};
                QVERIFY2(order[0].isEmpty() == (!in.running && in.width < 346) &&
                             (in.width < 1280 || !order[2].isEmpty()),
                         qPrintable(where));
                for (int k = 1; k < 3; ++k) {
                    QVERIFY2(order[k].isEmpty() || (!order[k - 1].isEmpty() &&
                                                    order[k].left() > order[k - 1].right()),
                             qPrintable(where));
                }
            }
            for (std::size_t k = 0; k < 3 && normal && atLeast; ++k) {
                QVERIFY2(in.boardNumbers[k] == 0 || !r.boards[k].isEmpty(), qPrintable(where));
            }
        }
    }

    void fontFileKeepsEachRecordInItsPlace() {
        test::TempDir dir;
        const std::string path = dir.File("FontInfo.qn7");
        FontRecord a, b, c;
        FontInfoFile(path).LoadFonts(&a, &b, &c);  // no file: defaults
        QCOMPARE(a, FontRecord::Make(14, 700, "Arial"));
        QCOMPARE(c, FontRecord::Make(13, 400, "Courier New"));
        const FontRecord serial = FontRecord::Make(16, 400, "DejaVu Sans Mono");
        FontRecord text = FontRecord::Make(-17, 600, "DejaVu Sans");
        text.italic = 1;
        FontInfoFile(path).SaveFonts(nullptr, &serial, nullptr);
        FontInfoFile(path).SaveFonts(nullptr, nullptr, &text);  // the serial record stays
        FontInfoFile(path).LoadFonts(nullptr, &b, &c);
        QCOMPARE(b, serial);
        QCOMPARE(c, text);
        // Three 60-byte records, little-endian: height at 0, weight at 16, italic at 20, face at
        // 28; the first one still the default.
        const std::string bytes = dir.Read("FontInfo.qn7");
        QCOMPARE(bytes.size(), size_t{180});
        const std::string third = bytes.substr(120);
        QCOMPARE(third.substr(0, 4), std::string("\xEF\xFF\xFF\xFF"));  // -17
        QCOMPARE(third.substr(16, 2), std::string("\x58\x02"));         // 600
        QCOMPARE(third[20], '\x01');
        QCOMPARE(bytes.substr(28, 6) + third.substr(28, 12),
                 std::string("Arial\0DejaVu Sans\0", 18));

        // A damaged file (huge sizes, no end to the face) still makes a usable font.
        dir.Write("FontInfo.qn7", std::string(180, '\xFF'));
        FontInfoFile(path).LoadFonts(&a, nullptr, nullptr);
        const QFont f = ToQFont(a);
        QVERIFY(f.pixelSize() >= FontRecord::kMinPixelHeight);
        QVERIFY(f.pixelSize() <= FontRecord::kMaxPixelHeight);
        QVERIFY(!f.family().isEmpty());

        // A font picked in points (as the font dialog gives it) or in pixels is stored as its
        // character height and comes back the size it was picked.
        for (const bool inPoints : {true, false}) {
            QFont picked(QStringLiteral("DejaVu Sans"));
            inPoints ? picked.setPointSize(12) : picked.setPixelSize(21);
            const FontRecord record = FontRecordFromQFont(picked);
            QCOMPARE(record.height, -QFontInfo(picked).pixelSize());
            QCOMPARE(QFontInfo(ToQFont(record)).pixelSize(), QFontInfo(picked).pixelSize());
        }
    }

    void clipboardCopyOpensInTheViewer() {
        test::TempDir dir;
        test::FakeClock clock({.valid = true,
                               .year = 2024,
                               .month = 3,
                               .day = 3,
                               .hour = 9,
                               .minute = 5,
                               .second = 7,
                               .weekday = 0});
        // A folder name a shell would split stays one path.
        const std::string temp = dir.Dir() + "my dir; rm -rf x/Temp";
        PaneMenu menu(temp, clock);
        std::vector<QUrl> opened;
        menu.SetUrlOpener([&](const QUrl& url) {
            opened.push_back(url);
            return false;  // no viewer on this desktop: the own text window shows it
        });
        DialogRunner runner;
        menu.SetDialogRunner(runner);
        QString shown;
        runner.AnswerNext(0, [&](QDialog& d) { shown = static_cast<TextFileWindow&>(d).Path(); });
        QWidget owner;
        LogTextPane pane(&owner);
        pane.AppendText("line one\nline two");
        menu.ChooseNext(PaneMenu::kShowInViewer);
        menu.Execute(menu.Track(&owner, {}), pane, &owner);
        const std::string path = temp + "/Clipboard_090507_03032024.txt";
        QCOMPARE(opened.size(), size_t{1});
        QCOMPARE(opened[0].toLocalFile().toStdString(), path);
        QCOMPARE(shown.toStdString(), path);
        std::ifstream in(path);
        QCOMPARE(std::string(std::istreambuf_iterator<char>(in), {}),
                 std::string("line one\nline two"));
        QGuiApplication::clipboard()->clear();
        QCOMPARE(menu.ShowClipboardInViewer(), std::string());  // nothing to show
        QCOMPARE(opened.size(), size_t{1});
    }
};

QTEST_MAIN(ProgressPanesTest)
#include "ProgressPanesTest.moc"
