// The display controls: counter digits, padding and clamping, bar shades, blinking, links,
// check box and text pane reports, dialog units and limited formatting.
#include <QSignalSpy>
#include <QTest>

#include "controls/DialogUnits.h"
#include "controls/ExtendedCheckBox.h"
#include "controls/ExtendedLabel.h"
#include "controls/FormatLimited.h"
#include "controls/GradientBar.h"
#include "controls/LogTextPane.h"
#include "controls/SevenSegmentCounter.h"

using quillon::ExtendedCheckBox;
using quillon::ExtendedLabel;
using quillon::GradientBar;
using quillon::LogTextPane;
using quillon::SevenSegmentCounter;

namespace {

QImage Render(QWidget& widget) {
    return widget.grab().toImage();
}

QColor CentreColor(const QImage& image, const QRect& rect) {
    return QColor(image.pixel(rect.center()));
}

}  // namespace

class DisplayControlsTest : public QObject {
    Q_OBJECT

  private slots:
    void CounterDrawsEachCharacterPattern_data();
    void CounterDrawsEachCharacterPattern();
    void CounterPadsShortTextOnTheLeft();
    void CounterPaddingShowsAsUnlitPositions();
    void CounterValueChangesClamp_data();
    void CounterValueChangesClamp();
    void CounterDragMovesValueWithinRange();
    void BarShadesStopAtTheChannelLimits_data();
    void BarShadesStopAtTheChannelLimits();
    void StaticBlinkSwitchesOnEachTick();
    void StaticLinkThatFailsBeepsAndStaysUnvisited();
    void StaticClickRunsItsChainInOrder();
    void CheckBoxReportsClicksOnlyWithATarget();
    void RichEditReportsRightPress();
    void RichEditForwardsTypedCharactersInsteadOfInserting();
    void RichEditAppendsAtTheEndInColour();
    void DialogUnitsFollowTheFontAverage();
    void FormattedTextIsCutOnACharacterBoundary();
};

void DisplayControlsTest::CounterDrawsEachCharacterPattern_data() {
    QTest::addColumn<QString>("character");
    QTest::addColumn<int>("pattern");
    const struct {
        const char* text;
        int pattern;
    } table[] = {{"0", 0xFC}, {"1", 0x60}, {"2", 0xDA}, {"3", 0xF2}, {"4", 0x66}, {"5", 0xB6},
                 {"6", 0xBE}, {"7", 0xE0}, {"8", 0xFE}, {"9", 0xF6}, {"-", 0x02}, {" ", 0x00}};
    for (const auto& row : table) {
        QTest::newRow(row.text) << QString::fromLatin1(row.text) << row.pattern;
    }
}

void DisplayControlsTest::CounterDrawsEachCharacterPattern() {
    QFETCH(QString, character);
    QFETCH(int, pattern);
    SevenSegmentCounter counter;
    counter.resize(120, 100);
    const QColor lit(0, 255, 0);
    counter.SetColors(lit, Qt::black);
    counter.SetDisplayText(QStringLiteral("8") + character);  // second position, after an 8
    const QImage image = Render(counter);
    const auto geometry = counter.CurrentGeometry();
    const auto positions = counter.CharacterPositions();
    QCOMPARE(positions.size(), 2);
    const QColor unlit(0, 255 / 3, 0);
    const SevenSegmentCounter::SegmentBit segments[] = {
        SevenSegmentCounter::kSegTop,        SevenSegmentCounter::kSegUpperRight,
        SevenSegmentCounter::kSegLowerRight, SevenSegmentCounter::kSegBottom,
        SevenSegmentCounter::kSegLowerLeft,  SevenSegmentCounter::kSegUpperLeft,
        SevenSegmentCounter::kSegMiddle};
    for (auto segment : segments) {
        const QRect where = SevenSegmentCounter::SegmentRect(segment, positions[1], geometry);
        const QColor expected = (pattern & segment) != 0 ? lit : unlit;
        QVERIFY2(CentreColor(image, where) == expected,
                 qPrintable(QStringLiteral("segment 0x%1").arg(int(segment), 2, 16)));
    }
}

void DisplayControlsTest::CounterPadsShortTextOnTheLeft() {
    SevenSegmentCounter counter;
    counter.SetDisplayText(QStringLiteral("42"));
    QCOMPARE(counter.PaddedText(), QStringLiteral("42"));
    counter.SetFixedWidth(6);
    QCOMPARE(counter.PaddedText(), QStringLiteral("    42"));
    counter.SetDisplayText(QStringLiteral("1234567"));
    QCOMPARE(counter.PaddedText(), QStringLiteral("1234567"));
}

void DisplayControlsTest::CounterPaddingShowsAsUnlitPositions() {
    SevenSegmentCounter counter;
    counter.resize(300, 80);
    counter.SetColors(QColor(255, 0, 0), Qt::black);
    counter.SetFixedWidth(4);
    counter.SetDisplayText(QStringLiteral("7"));
    const QImage image = Render(counter);
    const auto geometry = counter.CurrentGeometry();
    const auto positions = counter.CharacterPositions();
    QCOMPARE(positions.size(), 4);
    const QRect firstTop =
        SevenSegmentCounter::SegmentRect(SevenSegmentCounter::kSegTop, positions[0], geometry);
    const QRect lastTop =
        SevenSegmentCounter::SegmentRect(SevenSegmentCounter::kSegTop, positions[3], geometry);
    QCOMPARE(CentreColor(image, firstTop), QColor(255 / 3, 0, 0));
    QCOMPARE(CentreColor(image, lastTop), QColor(255, 0, 0));
}

void DisplayControlsTest::CounterValueChangesClamp_data() {
    QTest::addColumn<bool>("fixedPoint");
    QTest::addColumn<float>("start");
    QTest::addColumn<int>("steps");  // positive: increases, negative: decreases
    QTest::addColumn<QString>("text");
    QTest::newRow("integer up to maximum") << false << 3.0f << 5 << QStringLiteral("005");
    QTest::newRow("integer down to minimum") << false << 1.0f << -4 << QStringLiteral("000");
    QTest::newRow("integer one step") << false << 2.0f << 1 << QStringLiteral("003");
    QTest::newRow("fixed up to maximum") << true << 4.98f << 5 << QStringLiteral("5.00");
    QTest::newRow("fixed one step down") << true << 1.5f << -1 << QStringLiteral("1.49");
}

void DisplayControlsTest::CounterValueChangesClamp() {
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
    QVERIFY(counter.Value() >= 0.0f && counter.Value() <= 5.0f);
}

void DisplayControlsTest::CounterDragMovesValueWithinRange() {
    SevenSegmentCounter counter;
    counter.resize(200, 60);
    counter.SetRange(0.0f, 50.0f);
    counter.SetValue(10.0f);
    counter.SetDraggable(true);
    const auto send = [&counter](QEvent::Type type, int x, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(x, 10), QPointF(x, 10), QPointF(x, 10), Qt::LeftButton,
                          held, Qt::NoModifier);
        QApplication::sendEvent(&counter, &event);
    };
    send(QEvent::MouseButtonPress, 100, Qt::LeftButton);
    send(QEvent::MouseMove, 115, Qt::LeftButton);
    QCOMPARE(counter.Value(), 25.0f);
    send(QEvent::MouseMove, 190, Qt::LeftButton);
    QCOMPARE(counter.Value(), 50.0f);
    send(QEvent::MouseMove, 0, Qt::NoButton);  // not held: no change
    QCOMPARE(counter.Value(), 50.0f);
    counter.SetMode(SevenSegmentCounter::Mode::kFixedPoint);
    send(QEvent::MouseButtonPress, 100, Qt::LeftButton);
    send(QEvent::MouseMove, 50, Qt::LeftButton);
    QCOMPARE(counter.Value(), 49.5f);
}

void DisplayControlsTest::BarShadesStopAtTheChannelLimits_data() {
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("lighter");
    QTest::addColumn<int>("darker");
    QTest::newRow("0") << 0 << 51 << 0;
    QTest::newRow("50") << 50 << 101 << 50;
    QTest::newRow("51") << 51 << 102 << 0;
    QTest::newRow("204") << 204 << 255 << 153;
    QTest::newRow("205") << 205 << 205 << 154;
    QTest::newRow("255") << 255 << 255 << 204;
}

void DisplayControlsTest::BarShadesStopAtTheChannelLimits() {
    QFETCH(int, channel);
    QFETCH(int, lighter);
    QFETCH(int, darker);
    // Each channel position on its own, the others at a neutral 100.
    const QColor bases[] = {QColor(channel, 100, 100), QColor(100, channel, 100),
                            QColor(100, 100, channel)};
    for (int i = 0; i < 3; ++i) {
        const GradientBar bar(bases[i]);
        const QColor light = bar.PenColor(GradientBar::kLight1);
        const QColor dark = bar.PenColor(GradientBar::kDark1);
        const int lightChannel[] = {light.red(), light.green(), light.blue()};
        const int darkChannel[] = {dark.red(), dark.green(), dark.blue()};
        QCOMPARE(lightChannel[i], lighter);
        QCOMPARE(darkChannel[i], darker);
    }
    const GradientBar bar(QColor(channel, channel, channel));
    const QColor light3 = bar.PenColor(GradientBar::kLight3);
    QVERIFY(light3.red() <= 255 && light3.red() >= channel);
    const QColor midpoint = bar.PenColor(GradientBar::kShadowMid);
    const QColor darkShadow = bar.PenColor(GradientBar::kDarkShadow);
    const QColor shadow = bar.PenColor(GradientBar::kShadow);
    QCOMPARE(midpoint.red(), (darkShadow.red() + shadow.red()) / 2);
}

void DisplayControlsTest::StaticBlinkSwitchesOnEachTick() {
    ExtendedLabel label;
    label.resize(60, 20);
    label.SetTextColor(Qt::black);
    label.SetBackgroundColor(Qt::white);
    label.StartBackgroundBlink(Qt::yellow, Qt::green, 250);
    label.StartTextBlink(Qt::red, Qt::blue, 250);
    QCOMPARE(label.CurrentTextColor(), QColor(Qt::red));
    QCOMPARE(QColor(Render(label).pixel(2, 2)), QColor(Qt::yellow));
    label.OnBlinkTick();
    QCOMPARE(label.CurrentTextColor(), QColor(Qt::blue));
    QCOMPARE(QColor(Render(label).pixel(2, 2)), QColor(Qt::green));
    label.OnBlinkTick();
    QCOMPARE(label.CurrentTextColor(), QColor(Qt::red));
    QCOMPARE(label.CurrentBackgroundColor(), QColor(Qt::yellow));
    label.StopTextBlink();
    label.StopBackgroundBlink();
    QVERIFY(!label.IsBlinking());
    label.OnBlinkTick();
    QCOMPARE(label.CurrentTextColor(), QColor(Qt::black));
    QCOMPARE(QColor(Render(label).pixel(2, 2)), QColor(Qt::white));
}

void DisplayControlsTest::StaticLinkThatFailsBeepsAndStaysUnvisited() {
    ExtendedLabel label;
    label.SetTextColor(Qt::black);
    QStringList reports;
    label.SetOpenFailureReporter([&reports](const QString& text) { reports.append(text); });
    label.SetUrlOpener([](const QUrl&) { return false; });
    label.SetLinkUrl(QStringLiteral("https://example.invalid/manual"));
    label.Click();
    QCOMPARE(reports,
             QStringList{QStringLiteral("Unable to open https://example.invalid/manual.")});
    QVERIFY(!label.IsVisited());
    QCOMPARE(label.CurrentTextColor(), QColor(Qt::black));

    label.SetUrlOpener([](const QUrl&) { return true; });
    label.Click();
    QVERIFY(label.IsVisited());
    QCOMPARE(label.CurrentTextColor(), QColor(0, 128, 192));
    QCOMPARE(reports.size(), 1);
}

void DisplayControlsTest::StaticClickRunsItsChainInOrder() {
    QWidget window;
    ExtendedLabel label(&window);
    QWidget companion(&window);
    label.resize(100, 20);
    QStringList order;
    label.SetCompanion(&companion);
    connect(&label, &ExtendedLabel::companionNotified, this, [&]() {
        order.append(companion.isHidden() ? QStringLiteral("notified(hidden)")
                                          : QStringLiteral("notified(shown)"));
    });
    label.SetUrlOpener([&order](const QUrl&) {
        order.append(QStringLiteral("open"));
        return true;
    });
    label.SetLinkUrl(QStringLiteral("https://example.invalid/"));
    label.SetClickMessage(4242, 7);
    connect(&label, &ExtendedLabel::clickMessage, this, [&order](int message, int parameter) {
        order.append(QStringLiteral("message %1 %2").arg(message).arg(parameter));
    });
    QVERIFY(!companion.isHidden());
    QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(5, 5));
    const QStringList expected = {QStringLiteral("notified(hidden)"), QStringLiteral("open"),
                                  QStringLiteral("message 4242 7")};
    QCOMPARE(order, expected);
    QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(!companion.isHidden());
}

void DisplayControlsTest::CheckBoxReportsClicksOnlyWithATarget() {
    ExtendedCheckBox box;
    box.setText(QStringLiteral("Validate"));
    box.resize(120, 24);
    QSignalSpy clicks(&box, &ExtendedCheckBox::targetClicked);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(8, 12));
    QCOMPARE(clicks.count(), 0);
    QVERIFY(box.isChecked());
    box.SetTarget(true, 31);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(8, 12));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.at(0).at(0).toInt(), 31);
    QVERIFY(!box.isChecked());
}

void DisplayControlsTest::RichEditReportsRightPress() {
    LogTextPane pane;
    pane.resize(200, 100);
    QSignalSpy right(&pane, &LogTextPane::rightButtonPressed);
    QTest::mousePress(pane.viewport(), Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseRelease(pane.viewport(), Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(right.count(), 1);
    QCOMPARE(right.at(0).at(0).value<LogTextPane*>(), &pane);
}

void DisplayControlsTest::RichEditForwardsTypedCharactersInsteadOfInserting() {
    LogTextPane pane;
    QSignalSpy typed(&pane, &LogTextPane::characterTyped);
    QTest::keyClicks(&pane, QStringLiteral("ab"));
    QCOMPARE(pane.toPlainText(), QStringLiteral("ab"));
    QCOMPARE(typed.count(), 0);

    pane.SetForwardCharacters(true);
    QTest::keyClicks(&pane, QStringLiteral("x1"));
    QTest::keyClick(&pane, Qt::Key_Return);
    QCOMPARE(pane.toPlainText(), QStringLiteral("ab"));
    QCOMPARE(typed.count(), 3);
    QCOMPARE(typed.at(0).at(0).value<QChar>(), QLatin1Char('x'));
    QCOMPARE(typed.at(1).at(0).value<QChar>(), QLatin1Char('1'));
    QCOMPARE(typed.at(2).at(0).value<QChar>(), QLatin1Char('\r'));
}

void DisplayControlsTest::RichEditAppendsAtTheEndInColour() {
    LogTextPane pane;
    pane.AppendText(QStringLiteral("first\n"), Qt::red);
    QTextCursor user(pane.document());
    user.setPosition(2);
    pane.setTextCursor(user);
    pane.AppendText(QStringLiteral("second"), Qt::blue);
    QCOMPARE(pane.toPlainText(), QStringLiteral("first\nsecond"));
    QCOMPARE(pane.textCursor().position(), 2);  // the reader's place is kept
    QTextCursor probe(pane.document());
    probe.setPosition(1);
    QCOMPARE(probe.charFormat().foreground().color(), QColor(Qt::red));
    probe.movePosition(QTextCursor::End);
    QCOMPARE(probe.charFormat().foreground().color(), QColor(Qt::blue));
}

void DisplayControlsTest::DialogUnitsFollowTheFontAverage() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    const quillon::DialogUnits units(font);
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    QCOMPARE(units.AverageWidth(), (alphabet + 26) / 52);
    QCOMPARE(units.AverageHeight(), metrics.height());
    QCOMPARE(units.ToPixelsX(4), units.AverageWidth());
    QCOMPARE(units.ToPixelsY(8), units.AverageHeight());
    QCOMPARE(units.ToPixels(QRect(0, 0, 40, 80)).size(),
             QSize(10 * units.AverageWidth(), 10 * units.AverageHeight()));
}

void DisplayControlsTest::FormattedTextIsCutOnACharacterBoundary() {
    QVERIFY(!quillon::FormatLimited(10, nullptr).has_value());
    QCOMPARE(*quillon::FormatLimited(5, "%d-%s", 12, "abcdef"), QStringLiteral("12-ab"));
    // "é" is two bytes: a cut between them drops the whole character.
    QCOMPARE(*quillon::FormatLimited(4, "%s", "abc\xC3\xA9"), QStringLiteral("abc"));
    QCOMPARE(*quillon::FormatLimited(5, "%s", "abc\xC3\xA9"), QString::fromUtf8("abc\xC3\xA9"));
}

QTEST_MAIN(DisplayControlsTest)
#include "DisplayControlsTest.moc"
