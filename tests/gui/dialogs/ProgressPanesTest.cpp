// The progress panes (log line kinds, time stamps, hex lines and their limits), the layout rules
// at several window sizes, the font settings file and the pane menu's viewer copy.
#include <QClipboard>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>
#include <fstream>
#include <vector>

#include "controls/LogTextPane.h"
#include "dialogs/FontRecordQt.h"
#include "dialogs/PaneMenu.h"
#include "dialogs/ProgressLayout.h"
#include "dialogs/ProgressPanes.h"
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
        QTest::newRow("1 host") << 1 << QColor(0, 0, 0x8B) << true;
        QTest::newRow("2 ack") << 2 << QColor(0, 0, 0) << true;
        QTest::newRow("3 prep") << 3 << QColor(0, 0x64, 0) << true;
        QTest::newRow("4 begin") << 4 << QColor(0, 0, 0x8B) << true;
        QTest::newRow("5") << 5 << QColor(0, 0, 0xFF) << true;
        QTest::newRow("6 timing") << 6 << QColor(0x80, 0, 0x80) << false;
        QTest::newRow("9 other") << 9 << QColor(0, 0, 0) << true;
        QTest::newRow("-1 other") << -1 << QColor(0, 0, 0) << true;
    }
    void logLineKindsHaveTheirColourAndStamp() {
        QFETCH(int, level);
        QFETCH(QColor, color);
        QFETCH(bool, stamped);
        QWidget owner;
        ProgressPanes panes(&owner, [] { return kNoon; });
        panes.AppendLogLine(level, "Prep 2: Success\n");
        const QString text = panes.Messages()->toPlainText();
        const QString stamp = "12:34:56.789  ";
        QCOMPARE(text, stamped ? stamp + "Prep 2: Success\n" : QString("Prep 2: Success\n"));
        if (stamped) {
            QCOMPARE(ColorAt(panes.Messages(), 0), QColor(0, 0x64, 0));
        }
        QCOMPARE(ColorAt(panes.Messages(), static_cast<int>(text.indexOf("Prep"))), color);
    }

    void logTextLengthLimits() {
        QWidget owner;
        ProgressPanes panes(&owner, [] { return kNoon; });
        panes.AppendLogLine(1, " ");  // one character: no stamp
        QCOMPARE(panes.Messages()->toPlainText(), QString(" "));
        panes.AppendLogLine(1, std::string(2049, 'x'));  // too long: dropped
        panes.AppendLogLine(1, "");
        QCOMPARE(panes.Messages()->toPlainText(), QString(" "));
        panes.AppendLogLine(1, std::string(2048, 'y'));
        QCOMPARE(panes.Messages()->toPlainText().size(), 1 + 14 + 2048);
        // The real clock's stamp has the same shape.
        ProgressPanes real(&owner);
        real.AppendLogLine(2, "ok\n");
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d  ok\n$")
                    .match(real.Messages()->toPlainText())
                    .hasMatch());
    }

    void ctrlEndReachesTheLastLine() {
        QWidget owner;
        ProgressPanes panes(&owner, [] { return kNoon; });
        panes.Messages()->setGeometry(0, 0, 200, 100);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        for (int line = 0; line < 100; ++line) {
            panes.AppendLogLine(1, "line\n");
        }
        const QScrollBar* bar = panes.Messages()->verticalScrollBar();
        QVERIFY(bar->maximum() > bar->value());
        QTest::keyClick(panes.Messages(), Qt::Key_End, Qt::ControlModifier);
        QVERIFY(panes.Messages()->textCursor().atEnd());
        QVERIFY(bar->value() >= bar->maximum() - panes.Messages()->fontMetrics().lineSpacing());
    }

    void hexLinesKeepTheirLimits() {
        QWidget owner;
        ProgressPanes panes(&owner, [] { return kNoon; });
        const auto many = Bytes(500);
        panes.AppendBytes(false, many, true);
        QString text = panes.Bytes()->toPlainText();
        QVERIFY(text.startsWith("12:34:56 from HBD: 00 01 02 "));
        QCOMPARE(text.count(' '), 3 + 300);  // header spaces, then one after each of 300 pairs
        QVERIFY(text.endsWith("2B \n"));     // byte 299
        QCOMPARE(ColorAt(panes.Bytes(), 20), QColor(0, 0, 0xFF));

        panes.Bytes()->clear();
        const auto sent = Bytes(2048);
        panes.AppendBytes(true, sent, true);
        text = panes.Bytes()->toPlainText();
        QVERIFY(text.startsWith("12:34:56   to HBD: 00 01 "));
        QCOMPARE(text.size(), 19 + 2048 * 3 + 1);
        QCOMPARE(ColorAt(panes.Bytes(), 20), QColor(0, 0, 0x8B));

        panes.Bytes()->clear();
        panes.AppendBytes(true, Bytes(2049), true);  // over the limit
        panes.AppendBytes(true, Bytes(4), false);    // pane hidden
        panes.AppendBytes(false, Bytes(4), false);
        panes.AppendBytes(true, {}, true);
        QVERIFY(panes.Bytes()->toPlainText().isEmpty());
    }

    void layoutAtSeveralSizes() {
        ProgressLayout::Input in;
        in.width = 1280;
        in.height = 800;
        in.boardNumbers = {2, 0, 1};  // SPEECH loads first
        in.allowAbort = true;
        auto r = ProgressLayout::Compute(in);
        QCOMPARE(r.boards[2], QRect(10, 5, 140, 100));
        QCOMPARE(r.boards[0], QRect(170, 5, 140, 100));
        QVERIFY(r.boards[1].isEmpty());
        QCOMPARE(r.counter, QRect(1160, 15, 100, 40));
        QCOMPARE(r.bar, QRect(10, 125, 1150, 20));
        QCOMPARE(r.maxMsgs, QRect(1170, 125, 100, 18));
        QVERIFY(r.maxBytes.isEmpty());
        QCOMPARE(r.messagePane, QRect(10, 144, 1260, 800 - 25 - 144));
        QCOMPARE(r.showSerView, QRect(570, 775, 140, 20));
        QCOMPARE(r.abort, QRect(1170, 775, 100, 20));
        QVERIFY(r.scrollMsgs.isEmpty() && r.scrollBytes.isEmpty() && r.cancel.isEmpty());

        in.serialShown = true;
        r = ProgressLayout::Compute(in);
        QCOMPARE(r.bar, QRect(10, 125, 520, 20));
        QCOMPARE(r.maxMsgs, QRect(535, 125, 100, 18));
        QCOMPARE(r.maxBytes, QRect(1168, 125, 100, 18));
        QCOMPARE(r.messagePane, QRect(10, 144, 627, 631));
        QCOMPARE(r.serialPane, QRect(652, 144, 627, 631));
        QCOMPARE(r.showSerView, QRect(652, 777, 100, 20));

        in.running = false;
        r = ProgressLayout::Compute(in);
        QCOMPARE(r.abort, QRect(1120, 10, 150, 70));
        QCOMPARE(r.timeToComplete, QRect(1120, 90, 150, 20));
        QVERIFY(r.counter.isEmpty() && r.bar.isEmpty());

        // Small windows: under 200 high the top row goes; the panes go when no room is left.
        in = ProgressLayout::Input{};
        in.width = 400;
        in.height = 190;
        in.boardNumbers = {1, 2, 3};
        r = ProgressLayout::Compute(in);
        for (const QRect& b : r.boards) {
            QVERIFY(b.isEmpty());
        }
        QVERIFY(r.counter.isEmpty() && r.timeToComplete.isEmpty());
        QCOMPARE(r.bar, QRect(10, 125, 270, 20));
        QCOMPARE(r.messagePane, QRect(10, 144, 380, 21));
        in.height = 150;
        in.width = 180;
        r = ProgressLayout::Compute(in);
        QVERIFY(r.messagePane.isEmpty());
        QVERIFY(r.bar.isEmpty() && r.maxMsgs.isEmpty() && r.showSerView.isEmpty());
        in.width = 0;
        in.height = 0;
        r = ProgressLayout::Compute(in);
        QVERIFY(r.messagePane.isEmpty() && r.abort.isEmpty());

        // Only as many boards as fit beside the counter.
        in = ProgressLayout::Input{};
        in.width = 450;
        in.height = 600;
        in.boardNumbers = {1, 2, 3};
        r = ProgressLayout::Compute(in);
        QVERIFY(!r.boards[0].isEmpty());
        QVERIFY(!r.boards[1].isEmpty());  // 450 - 280 - 20 > 140
        QVERIFY(r.boards[2].isEmpty());   // 450 - 440 - 20 is not

        in.kx2 = true;
        in.boardNumbers = {1, 0, 0};
        r = ProgressLayout::Compute(in);
        QCOMPARE(r.boards[0], QRect(10, 5, 280, 100));
        QCOMPARE(r.cancel, QRect(340, 575, 100, 24));

        in.viewMode = 2;
        r = ProgressLayout::Compute(in);
        QCOMPARE(r.normalViews, QRect(310, 3, 130, 20));
        QCOMPARE(r.serialPane, QRect(3, 25, 444, 570));
        QVERIFY(r.messagePane.isEmpty() && r.boards[0].isEmpty() && r.cancel.isEmpty());
    }

    void fontFileByteLayout() {
        test::TempDir dir;
        const std::string path = dir.File("FontInfo.qn7");
        FontRecord a, b, c;
        FontInfoFile(path).LoadFonts(&a, &b, &c);  // no file: defaults
        QCOMPARE(a, FontRecord::Make(14, 700, "Arial"));
        QCOMPARE(b, FontRecord::Make(14, 700, "Arial"));
        QCOMPARE(c, FontRecord::Make(13, 400, "Courier New"));

        FontRecord mine = FontRecord::Make(-17, 600, "DejaVu Sans");
        mine.italic = 1;
        FontInfoFile(path).SaveFonts(nullptr, nullptr, &mine);
        const std::string bytes = dir.Read("FontInfo.qn7");
        QCOMPARE(bytes.size(), size_t{180});
        auto u8 = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
        // First record: 14, 700, pitch 0x20, "Arial", little-endian.
        QCOMPARE(u8(0), uint8_t{14});
        QCOMPARE(u8(1) | u8(2) | u8(3), 0);
        QCOMPARE(u8(16) | (u8(17) << 8), 700);
        QCOMPARE(u8(27), uint8_t{0x20});
        QCOMPARE(bytes.substr(28, 6), std::string("Arial\0", 6));
        QCOMPARE(bytes.substr(60 + 28, 5), std::string("Arial"));
        // Third record: -17 is 0xFFFFFFEF, weight 600, italic at 20.
        QCOMPARE(u8(120), uint8_t{0xEF});
        QCOMPARE(u8(123), uint8_t{0xFF});
        QCOMPARE(u8(136) | (u8(137) << 8), 600);
        QCOMPARE(u8(140), uint8_t{1});
        QCOMPARE(bytes.substr(148, 11), std::string("DejaVu Sans"));
        FontRecord back;
        FontInfoFile(path).LoadFonts(nullptr, nullptr, &back);
        QCOMPARE(back, mine);

        // A 100-byte file: the first record is read, the others keep their defaults.
        std::string shortFile = bytes.substr(0, 100);
        shortFile[0] = 20;
        dir.Write("FontInfo.qn7", shortFile);
        FontInfoFile(path).LoadFonts(&a, &b, &c);
        QCOMPARE(a.height, 20);
        QCOMPARE(b, FontRecord::SerialPaneDefault());
        QCOMPARE(c, FontRecord::TextViewDefault());
    }

    void damagedFontRecordStillMakesAFont() {
        std::vector<uint8_t> raw(FontRecord::kSize, 0xFF);  // huge sizes, no zero in the face
        const FontRecord r = FontRecord::Decode(raw.data());
        const QFont f = ToQFont(r);
        QVERIFY(f.pixelSize() >= FontRecord::kMinPixelHeight);
        QVERIFY(f.pixelSize() <= FontRecord::kMaxPixelHeight);
        QVERIFY(!f.family().isEmpty());
        raw.assign(FontRecord::kSize, 0);
        raw[0] = 0x00;
        raw[3] = 0x80;  // INT_MIN height
        const QFont g = ToQFont(FontRecord::Decode(raw.data()));
        QCOMPARE(g.pixelSize(), FontRecord::kMaxPixelHeight);
    }

    void clipboardCopyOpensInTheViewer() {
        test::TempDir dir;
        LocalTime t = test::FakeClock::DefaultStart();
        t.hour = 9;
        t.minute = 5;
        t.second = 7;
        t.month = 3;
        t.day = 3;
        t.year = 2024;
        test::FakeClock clock(t);
        QCOMPARE(PaneMenu::ClipboardFileName(t), std::string("Clipboard_090507_03032024.txt"));
        // A folder name a shell would split stays one path.
        const std::string temp = dir.Dir() + "my dir; rm -rf x/Temp";
        PaneMenu menu(temp, clock);
        std::vector<QUrl> opened;
        menu.SetUrlOpener([&](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
        QWidget owner;
        LogTextPane pane(&owner);
        pane.AppendText("line one\nline two");
        menu.ChooseNext(PaneMenu::kShowInViewer);
        menu.Execute(menu.Track(&owner, {}), pane, &owner);
        QCOMPARE(opened.size(), size_t{1});
        const std::string path = temp + "/Clipboard_090507_03032024.txt";
        QCOMPARE(opened[0].toLocalFile().toStdString(), path);
        std::ifstream in(path);
        std::string content((std::istreambuf_iterator<char>(in)), {});
        QCOMPARE(content, std::string("line one\nline two"));

        menu.Execute(PaneMenu::kClear, pane, &owner);
        QVERIFY(pane.toPlainText().isEmpty());
        QGuiApplication::clipboard()->clear();
        QCOMPARE(menu.ShowClipboardInViewer(), std::string());  // nothing to show
        QCOMPARE(opened.size(), size_t{1});

        menu.SetFontPicker([](const QFont&, QWidget*) {
            QFont f("Courier New");
            f.setPixelSize(20);
            return std::optional<QFont>(f);
        });
        const auto chosen = menu.Execute(PaneMenu::kChangeFont, pane, &owner);
        QVERIFY(chosen.has_value());
        QCOMPARE(pane.font().pixelSize(), 20);
    }
};

QTEST_MAIN(ProgressPanesTest)
#include "ProgressPanesTest.moc"
