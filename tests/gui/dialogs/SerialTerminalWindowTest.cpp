// The serial text view over a raw pseudo-terminal: typed characters leave as single bytes and
// are echoed, Esc sends 0x1B and keeps the view, received text is shown up to a zero byte, EXIT
// stops the reader, and a port that will not open is said in the pane.
#include <poll.h>
#include <unistd.h>

#include <QtTest>
#include <string>

#include "controls/LogTextPane.h"
#include "controls/PaintedButton.h"
#include "dialogs/SerialTerminalWindow.h"
#include "serial/SystemSerialBackend.h"
#include "sim/PtyPair.h"
#include "tests/support/FakeClock.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestPty.h"

using namespace quillon;

namespace {

// The next count bytes the unit end receives (fewer when none comes for 10 s).
std::string ReadUnitSide(int fd, std::size_t count) {
    std::string got;
    pollfd p{fd, POLLIN, 0};
    char byte = 0;
    while (got.size() < count && poll(&p, 1, 10000) > 0 && read(fd, &byte, 1) == 1) {
        got += byte;
    }
    return got;
}

}  // namespace

class TextViewTest : public QObject {
    Q_OBJECT

    // The reader thread may outlive a view that failed a check; the clock outlives them all.
    test::TempDir dir;
    test::FakeClock clock;

  private slots:
    void typedKeysEchoAndEscStaysOpen() {
        ProgramState state;
        state.appDir = dir.Dir();
        sim::PtyPair line = test::OpenPty();
        SerialTerminalWindow view({3, line.DevicePath(), 9600, MakeSystemSerialBackend()}, state,
                                  clock);
        view.show();
        QCOMPARE(view.windowTitle(), QString("Text HBD"));
        QVERIFY(QTest::qWaitFor([&] { return view.PortOpen(); }, 5000));

        QTest::keyClick(view.Pane(), 'A');
        QCOMPARE(ReadUnitSide(line.MasterFd(), 1), std::string("A"));
        QVERIFY(view.Pane()->toPlainText().endsWith("A"));

        QTest::keyClick(&view, Qt::Key_Escape);
        QTest::keyClick(view.Pane(), Qt::Key_Escape);
        QCOMPARE(ReadUnitSide(line.MasterFd(), 2), std::string("\x1b\x1b"));
        QVERIFY(view.isVisible());
        QVERIFY(!view.Pane()->toPlainText().contains(QChar(0x1b)));
        view.close();  // the close box is Esc too
        QVERIFY(view.isVisible());
        QCOMPARE(ReadUnitSide(line.MasterFd(), 1), std::string("\x1b"));

        // Received text, shown up to a zero byte.
        const char unit[] = "HBD READY\r\n\0hidden";
        QCOMPARE(write(line.MasterFd(), unit, sizeof unit - 1),
                 static_cast<ssize_t>(sizeof unit - 1));
        QVERIFY(QTest::qWaitFor([&] { return view.Pane()->toPlainText().contains("HBD READY"); },
                                5000));
        QVERIFY(!view.Pane()->toPlainText().contains("hidden"));

        view.SetEcho(false);
        QTest::keyClick(view.Pane(), 'b');
        QCOMPARE(ReadUnitSide(line.MasterFd(), 1), std::string("b"));
        QVERIFY(!view.Pane()->toPlainText().endsWith("b"));

        view.ExitButton()->click();
        QVERIFY(view.Stopping());
        QVERIFY(QTest::qWaitFor([&] { return !view.isVisible(); }, 6000));
        QVERIFY(view.ReaderFinished());
    }

    void portThatWillNotOpenIsSaid() {
        ProgramState state;
        state.appDir = dir.Dir();
        SerialTerminalWindow view({5, dir.File("no-such-tty"), 19200, MakeSystemSerialBackend()},
                                  state, clock);
        view.show();
        QVERIFY(QTest::qWaitFor([&] { return view.ReaderFinished(); }, 5000));
        QVERIFY(QTest::qWaitFor(
            [&] { return view.Pane()->toPlainText().contains("Failed to open serial port!"); },
            5000));
        QVERIFY(view.Pane()->toPlainText().contains("Baud Rate: 19200"));
        view.ExitButton()->click();
        QVERIFY(!view.isVisible());  // no reader: EXIT closes at once
    }
};

QTEST_MAIN(TextViewTest)
#include "SerialTerminalWindowTest.moc"
