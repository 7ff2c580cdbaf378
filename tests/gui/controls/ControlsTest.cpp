// The controls as a user meets them: what the button and the counter paint, what the button
// reports, the log pane's appends, dialog units and limited formatting.
#include <QSignalSpy>
#include <QTest>
#include <cmath>

#include "controls/DialogUnits.h"
#include "controls/FormatLimited.h"
#include "controls/LogTextPane.h"
#include "controls/PaintedButton.h"
#include "controls/SevenSegmentCounter.h"

using namespace quillon;

class ControlsTest : public QObject {
    Q_OBJECT

  private slots:
    void ButtonProgressFill_data();
    void ButtonProgressFill();
    void FlatButtonLightsWhileHoveredAndReportsRightPress();
    void CounterPaintsPaddingMinusAndDigit();
    void CounterValueStaysInItsRange_data();
    void CounterValueStaysInItsRange();
    void LogPaneAppendsBehindTheReaderAndReportsRightPress();
    void DialogUnitsRoundToNearest();
    void FormattedTextIsCutOnACharacterBoundary();
};

void ControlsTest::ButtonProgressFill_data() {
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("upperRows");  // of 100, still to do: painted in the upper colour
    QTest::newRow("maximum 0 is all done") << 0 << 0 << 0;
    QTest::newRow("a quarter done") << 100 << 25 << 75;
    QTest::newRow("position past maximum is all done") << 100 << 250 << 0;
}

void ControlsTest::ButtonProgressFill() {
    QFETCH(int, maximum);
    QFETCH(int, position);
    QFETCH(int, upperRows);
    PaintedButton button;
    button.resize(40, 100);
    button.SetProgressMode(maximum, position);
    QVERIFY(!button.BlinkFrameNext());  // so the first paint has no frame over the fill
    const QImage image = button.grab().toImage();
    for (int y = 0; y < 100; ++y) {
        const QColor expected = ToQColor(y < upperRows ? PaintedButton::kProgressUpperColor
                                                       : PaintedButton::kProgressLowerColor);
        QCOMPARE(QColor(image.pixel(20, y)), expected);
    }
}

void ControlsTest::FlatButtonLightsWhileHoveredAndReportsRightPress() {
    PaintedButton button;
    button.resize(80, 30);
    button.SetBackgroundColors(Qt::yellow, Qt::gray, Qt::gray);
    QSignalSpy right(&button, &PaintedButton::rightButtonPressed);
    const auto face = [&button] { return QColor(button.grab().toImage().pixel(40, 15)); };
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), QPointF(10, 10), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &move);
    QCOMPARE(face(), QColor(Qt::yellow));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    QCOMPARE(face(), QColor(Qt::gray));
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(20, 15));
    QCOMPARE(right.count(), 0);
    QTest::mouseClick(&button, Qt::RightButton, {}, QPoint(20, 15));
    QCOMPARE(right.count(), 1);
    QCOMPARE(right.at(0).at(0).value<PaintedButton*>(), &button);
}

void ControlsTest::CounterPaintsPaddingMinusAndDigit() {
    SevenSegmentCounter counter;
    counter.resize(200, 80);
    counter.SetColors(QColor(0, 255, 0), Qt::black);
    counter.SetFixedWidth(3);
    counter.SetDisplayText(QStringLiteral("-7"));  // padded on the left: " -7"
    const QImage image = counter.grab().toImage();
    const auto positions = counter.CharacterPositions();
    QCOMPARE(positions.size(), 3);
    const auto segment = [&](SevenSegmentCounter::SegmentBit bit, int position) {
        const QRect where =
            SevenSegmentCounter::SegmentRect(bit, positions[position], counter.CurrentGeometry());
        return QColor(image.pixel(where.center()));
    };
    const QColor lit = counter.ForegroundColor();
    const QColor unlit = counter.UnlitColor();
    QCOMPARE(segment(SevenSegmentCounter::kSegTop, 0), unlit);
    QCOMPARE(segment(SevenSegmentCounter::kSegTop, 1), unlit);
    QCOMPARE(segment(SevenSegmentCounter::kSegMiddle, 1), lit);
    QCOMPARE(segment(SevenSegmentCounter::kSegTop, 2), lit);
}

void ControlsTest::CounterValueStaysInItsRange_data() {
    QTest::addColumn<bool>("fixedPoint");
    QTest::addColumn<float>("start");
    QTest::addColumn<int>("steps");  // positive: increases, negative: decreases
    QTest::addColumn<QString>("text");
    QTest::newRow("integer up past maximum") << false << 3.0f << 5 << QStringLiteral("005");
    QTest::newRow("integer down past minimum") << false << 1.0f << -4 << QStringLiteral("000");
    QTest::newRow("fixed point one step down") << true << 1.5f << -1 << QStringLiteral("1.49");
    QTest::newRow("not a number is the minimum") << false << NAN << 0 << QStringLiteral("000");
}

void ControlsTest::CounterValueStaysInItsRange() {
    QFETCH(bool, fixedPoint);
    QFETCH(float, start);
    QFETCH(int, steps);
    QFETCH(QString, text);
    SevenSegmentCounter counter;
    counter.SetMode(fixedPoint ? SevenSegmentCounter::Mode::kFixedPoint
                               : SevenSegmentCounter::Mode::kInteger);
    counter.SetRange(0.0f, 5.0f);
    counter.SetValue(start);
    for (int i = 0; i < std::abs(steps); ++i) {
        steps > 0 ? counter.Increase() : counter.Decrease();
    }
    QCOMPARE(counter.Text(), text);
}

void ControlsTest::LogPaneAppendsBehindTheReaderAndReportsRightPress() {
    LogTextPane pane;
    pane.resize(200, 100);
    pane.AppendText(QStringLiteral("first\n"), Qt::red);
    QTextCursor reader(pane.document());
    reader.setPosition(2);
    pane.setTextCursor(reader);
    pane.AppendText(QStringLiteral("second"), Qt::blue);
    QCOMPARE(pane.toPlainText(), QStringLiteral("first\nsecond"));
    QCOMPARE(pane.textCursor().position(), 2);
    QSignalSpy right(&pane, &LogTextPane::rightButtonPressed);
    QTest::mouseClick(pane.viewport(), Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(right.count(), 1);
    QCOMPARE(right.at(0).at(0).value<LogTextPane*>(), &pane);
}

void ControlsTest::DialogUnitsRoundToNearest() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    const DialogUnits units(font);
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    QCOMPARE(units.AverageWidth(), qRound(alphabet / 52.0));
    QCOMPARE(units.AverageHeight(), metrics.height());
    for (int n = 0; n < 8; ++n) {  // 4 units a character across, 8 down
        QCOMPARE(units.ToPixelsX(n), qRound(n * units.AverageWidth() / 4.0));
        QCOMPARE(units.ToPixelsY(n), qRound(n * units.AverageHeight() / 8.0));
    }
}

void ControlsTest::FormattedTextIsCutOnACharacterBoundary() {
    QVERIFY(!FormatLimited(10, nullptr).has_value());
    QCOMPARE(*FormatLimited(5, "%d-%s", 12, "abcdef"), QStringLiteral("12-ab"));
    // "é" is two bytes: a cut between them drops the whole character.
    QCOMPARE(*FormatLimited(4, "%s", "abc\xC3\xA9"), QStringLiteral("abc"));
    QCOMPARE(*FormatLimited(5, "%s", "abc\xC3\xA9"), QString::fromUtf8("abc\xC3\xA9"));
}

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
