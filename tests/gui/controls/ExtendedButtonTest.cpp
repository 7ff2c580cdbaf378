// The extended button's drawing modes, derived pictures and notifications.
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include "controls/ControlMessages.h"
#include "controls/ExtendedButton.h"

using quillon::ButtonImage;
using quillon::ExtendedButton;

namespace {

const QColor kUpper(253, 221, 57);
const QColor kLower(144, 238, 144);
const QColor kFrameGreen(0, 128, 0);
constexpr QSize kBarSize(40, 100);

QColor PixelAt(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

QImage Render(QWidget& widget) {
    return widget.grab().toImage();
}

void SendEnter(QWidget& widget) {
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&widget, &enter);
}

void SendMove(QWidget& widget, const QPoint& at) {
    QMouseEvent move(QEvent::MouseMove, at, widget.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&widget, &move);
}

// 10 x 10 picture: white (the see-through colour) in the top-left 5 x 5, a colour elsewhere.
QImage TestPicture(const QColor& color) {
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(color);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            image.setPixelColor(x, y, Qt::white);
        }
    }
    return image;
}

}  // namespace

class ExtendedButtonTest : public QObject {
    Q_OBJECT

  private slots:
    void ProgressFill_data();
    void ProgressFill();
    void ProgressFrameShowsOnEveryOtherRepaint();
    void DerivedOutPicture_data();
    void DerivedOutPicture();
    void OutPictureIsDrawnThroughItsMask();
    void UnreadablePictureLeavesNoImage();
    void GradientTurnsAndSwapsWhileHovered();
    void SetTextKeepsCaptionOnNullFormatAndCutsLongText();
    void HoverLeaveAndClickAreReported();
    void RightPressIsReportedWithTheButton();
    void CheckBoxBehaviourTogglesAndOpensNothing();
    void UrlIsOpenedOnClickAndOverLongUrlRefused();
};

void ExtendedButtonTest::ProgressFill_data() {
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("upperRows");  // rows painted in the upper colour
    QTest::newRow("maximum 0 is all lower") << 0 << 0 << 0;
    QTest::newRow("position at maximum is all lower") << 100 << 100 << 0;
    QTest::newRow("position 0 is all upper") << 100 << 0 << 100;
    QTest::newRow("a quarter done") << 100 << 25 << 75;
    QTest::newRow("position past maximum stays lower") << 100 << 250 << 0;
    QTest::newRow("negative position stays upper") << 100 << -5 << 100;
}

void ExtendedButtonTest::ProgressFill() {
    QFETCH(int, maximum);
    QFETCH(int, position);
    QFETCH(int, upperRows);
    ExtendedButton button;
    button.resize(kBarSize);
    button.SetProgressMode(maximum, position);
    QVERIFY(!button.BlinkFrameNext());  // so the first paint has no frame over the fill
    const QImage image = Render(button);
    for (int y = 0; y < kBarSize.height(); ++y) {
        const QColor expected = y < upperRows ? kUpper : kLower;
        QCOMPARE(PixelAt(image, kBarSize.width() / 2, y), expected);
        QCOMPARE(PixelAt(image, 0, y), expected);
    }
}

void ExtendedButtonTest::ProgressFrameShowsOnEveryOtherRepaint() {
    ExtendedButton button;
    button.resize(kBarSize);
    button.SetProgressMode(100, 50);
    int framed = 0;
    constexpr int kPaints = 4;
    for (int i = 0; i < kPaints; ++i) {
        const QImage image = Render(button);
        const bool hasFrame =
            PixelAt(image, 1, 1) == kFrameGreen &&
            PixelAt(image, kBarSize.width() - 2, kBarSize.height() - 2) == kFrameGreen;
        QCOMPARE(hasFrame, i % 2 == 1);
        framed += hasFrame ? 1 : 0;
        // Inside the 3-pixel frame the fill is untouched.
        QCOMPARE(PixelAt(image, 3, 3), kUpper);
        QCOMPARE(PixelAt(image, 3, kBarSize.height() - 4), kLower);
    }
    QCOMPARE(framed, kPaints / 2);
}

void ExtendedButtonTest::DerivedOutPicture_data() {
    QTest::addColumn<int>("sentinel");
    QTest::addColumn<QColor>("expected");
    // 0.299*200 + 0.587*100 + 0.114*50 = 124.2
    QTest::newRow("grey") << ButtonImage::kOutGrey << QColor(124, 124, 124);
    QTest::newRow("darker") << ButtonImage::kOutDarker << QColor(150, 75, 37);
}

void ExtendedButtonTest::DerivedOutPicture() {
    QFETCH(int, sentinel);
    QFETCH(QColor, expected);
    ExtendedButton button;
    QVERIFY(button.SetBitmaps(TestPicture(QColor(200, 100, 50)), Qt::white, sentinel));
    const QImage& out = button.Image().OutBitmap();
    const QImage& in = button.Image().InBitmap();
    QCOMPARE(QColor(out.pixel(7, 7)), expected);
    QCOMPARE(QColor(out.pixel(2, 2)), QColor(Qt::white));
    QCOMPARE(QColor(in.pixel(7, 7)), QColor(200, 100, 50));
}

void ExtendedButtonTest::OutPictureIsDrawnThroughItsMask() {
    ExtendedButton button;
    button.resize(40, 40);
    const QColor face(10, 20, 30);
    button.SetBackgroundColors(face, face, face);
    QVERIFY(button.SetBitmaps(TestPicture(QColor(200, 100, 50)), Qt::white, ButtonImage::kOutGrey));
    // No caption: the picture is centred, its top-left at (15, 15).
    const QImage image = Render(button);
    QCOMPARE(PixelAt(image, 17, 17), face);
    QCOMPARE(PixelAt(image, 22, 22), QColor(124, 124, 124));
    SendEnter(button);
    QCOMPARE(PixelAt(Render(button), 22, 22), QColor(200, 100, 50));
}

void ExtendedButtonTest::UnreadablePictureLeavesNoImage() {
    ExtendedButton button;
    QVERIFY(button.SetBitmaps(TestPicture(Qt::red), Qt::white, ButtonImage::kOutDarker));
    QVERIFY(!button.SetBitmaps(QImage(), Qt::white, ButtonImage::kOutGrey));
    QVERIFY(button.Image().IsEmpty());
    button.resize(30, 30);
    QVERIFY(!Render(button).isNull());
}

void ExtendedButtonTest::GradientTurnsAndSwapsWhileHovered() {
    ExtendedButton button;
    button.resize(100, 100);
    button.SetGradientMode(Qt::red, Qt::blue, true);
    const auto near = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
               std::abs(a.blue() - b.blue()) < 12;
    };
    QImage image = Render(button);
    QVERIFY(near(PixelAt(image, 50, 0), Qt::red));
    QVERIFY(near(PixelAt(image, 50, 99), Qt::blue));
    QVERIFY(near(PixelAt(image, 0, 50), PixelAt(image, 99, 50)));  // no change across

    SendEnter(button);
    image = Render(button);
    QVERIFY(near(PixelAt(image, 0, 50), Qt::blue));
    QVERIFY(near(PixelAt(image, 99, 50), Qt::red));
    QVERIFY(near(PixelAt(image, 50, 0), PixelAt(image, 50, 99)));

    button.SetGradientBorder(2, QColor(128, 0, 0));
    image = Render(button);
    QCOMPARE(PixelAt(image, 1, 50), QColor(128, 0, 0));
    QCOMPARE(PixelAt(image, 98, 98), QColor(128, 0, 0));
}

void ExtendedButtonTest::SetTextKeepsCaptionOnNullFormatAndCutsLongText() {
    ExtendedButton button;
    button.SetText("COMM %d", 3);
    QCOMPARE(button.text(), QStringLiteral("COMM 3"));
    button.SetText(nullptr);
    QCOMPARE(button.text(), QStringLiteral("COMM 3"));
    const std::string longText(3000, 'x');
    button.SetText("%s", longText.c_str());
    QCOMPARE(button.text().size(), static_cast<qsizetype>(ExtendedButton::kTextLimit));
}

void ExtendedButtonTest::HoverLeaveAndClickAreReported() {
    ExtendedButton button;
    button.resize(80, 30);
    QSignalSpy notifications(&button, &ExtendedButton::notification);
    QSignalSpy entered(&button, &ExtendedButton::entered);
    QSignalSpy left(&button, &ExtendedButton::left);

    SendMove(button, QPoint(10, 10));
    SendMove(button, QPoint(12, 10));  // still inside: no second "entered"
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(20, 15));

    QCOMPARE(entered.count(), 1);
    QCOMPARE(left.count(), 1);
    QList<int> codes;
    for (const auto& call : notifications) {
        codes.append(call.at(0).toInt());
    }
    const QList<int> expected = {quillon::kButtonEntered, quillon::kButtonLeft,
                                 quillon::kButtonClicked};
    QCOMPARE(codes, expected);
}

void ExtendedButtonTest::RightPressIsReportedWithTheButton() {
    ExtendedButton button;
    button.resize(80, 30);
    QSignalSpy right(&button, &ExtendedButton::rightButtonPressed);
    QSignalSpy notifications(&button, &ExtendedButton::notification);
    QTest::mousePress(&button, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(right.count(), 1);
    QCOMPARE(right.at(0).at(0).value<ExtendedButton*>(), &button);
    for (const auto& call : notifications) {
        QVERIFY(call.at(0).toInt() != quillon::kButtonClicked);
    }
}

void ExtendedButtonTest::CheckBoxBehaviourTogglesAndOpensNothing() {
    ExtendedButton button;
    button.resize(80, 30);
    button.SetCheckBoxBehaviour(true);
    int opened = 0;
    button.SetUrl(QStringLiteral("https://example.invalid/"));
    button.SetUrlOpener([&opened](const QUrl&) {
        ++opened;
        return true;
    });
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(button.GetCheck());
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(!button.GetCheck());
    QCOMPARE(opened, 0);
}

void ExtendedButtonTest::UrlIsOpenedOnClickAndOverLongUrlRefused() {
    ExtendedButton button;
    button.resize(80, 30);
    QList<QUrl> opened;
    button.SetUrlOpener([&opened](const QUrl& url) {
        opened.append(url);
        return true;
    });
    QVERIFY(button.SetUrl(QStringLiteral("https://example.invalid/help?a=1;b=2")));
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened.at(0).toString(), QStringLiteral("https://example.invalid/help?a=1;b=2"));

    QVERIFY(!button.SetUrl(QString(ExtendedButton::kMaxUrlLength + 1, QLatin1Char('u'))));
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(opened.size(), 1);
}

QTEST_MAIN(ExtendedButtonTest)
#include "ExtendedButtonTest.moc"
