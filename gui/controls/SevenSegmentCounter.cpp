#include "controls/SevenSegmentCounter.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

#include "controls/FormatLimited.h"
#include "controls/FramesAndGradients.h"

namespace quillon {

namespace {
constexpr double kThicknessRatio = 0.06;
constexpr double kDigitWidthRatio = 0.35;
constexpr int kUnlitDivisor = 3;
constexpr double kIntegerStep = 1.0;
constexpr double kFixedPointStep = 0.01;
constexpr int kBarDivisor = 5;
constexpr int kMinBarHeight = 6;
constexpr float kPercentScale = 100.0f;

constexpr std::array<std::uint8_t, 10> kDigitPatterns = {0xFC, 0x60, 0xDA, 0xF2, 0x66,
                                                         0xB6, 0xBE, 0xE0, 0xFE, 0xF6};
constexpr std::uint8_t kMinusPattern = 0x02;
constexpr std::uint8_t kAllSegments = 0xFE;

constexpr std::array<SevenSegmentCounter::SegmentBit, 7> kSegments = {
    SevenSegmentCounter::kSegTop,        SevenSegmentCounter::kSegUpperRight,
    SevenSegmentCounter::kSegLowerRight, SevenSegmentCounter::kSegBottom,
    SevenSegmentCounter::kSegLowerLeft,  SevenSegmentCounter::kSegUpperLeft,
    SevenSegmentCounter::kSegMiddle};

bool IsColon(QChar c) {
    return c == QLatin1Char(':');
}
}  // namespace

SevenSegmentCounter::SevenSegmentCounter(QWidget* parent)
    : QWidget(parent), FormattedText(kTextLimit), bar_(Qt::green, palette()) {}

void SevenSegmentCounter::SetRange(float minimum, float maximum) {
    minimum_ = std::min(minimum, maximum);
    maximum_ = std::max(minimum, maximum);
    value_ = std::clamp(value_, minimum_, maximum_);
    update();
}

void SevenSegmentCounter::SetMode(Mode mode) {
    mode_ = mode;
    Redisplay();
}

void SevenSegmentCounter::SetValue(float value) {
    value_ = std::isnan(value) ? minimum_ : std::clamp(value, minimum_, maximum_);
    Redisplay();
}

void SevenSegmentCounter::ChangeValue(double delta) {
    const double next = static_cast<double>(value_) + delta;
    value_ = static_cast<float>(
        std::clamp(next, static_cast<double>(minimum_), static_cast<double>(maximum_)));
    Redisplay();
}

void SevenSegmentCounter::Increase() {
    ChangeValue(mode_ == Mode::kInteger ? kIntegerStep : kFixedPointStep);
}

void SevenSegmentCounter::Decrease() {
    ChangeValue(mode_ == Mode::kInteger ? -kIntegerStep : -kFixedPointStep);
}

void SevenSegmentCounter::Redisplay() {
    const auto text = mode_ == Mode::kInteger
                          ? FormatLimited(kTextLimit, "%.3d", static_cast<int>(value_))
                          : FormatLimited(kTextLimit, "%.2f", static_cast<double>(value_));
    SetDisplayText(text.value_or(QString()));
}

void SevenSegmentCounter::ShowText(const QString& text) {
    SetDisplayText(text);
}

void SevenSegmentCounter::SetDisplayText(const QString& text) {
    text_ = text;
    update();
}

void SevenSegmentCounter::SetColors(const QColor& foreground, const QColor& background) {
    foreground_ = foreground;
    background_ = background;
    bar_.SetColor(foreground, palette());
    update();
}

void SevenSegmentCounter::SetDrawUnlit(bool on) {
    drawUnlit_ = on;
    update();
}

void SevenSegmentCounter::SetShowBar(bool on) {
    showBar_ = on;
    geometry_.reset();
    update();
}

void SevenSegmentCounter::SetFixedWidth(int characters) {
    fixedWidth_ = std::max(0, characters);
    update();
}

QColor SevenSegmentCounter::UnlitColor() const {
    if (off_) {
        return *off_;
    }
    return QColor(foreground_.red() / kUnlitDivisor, foreground_.green() / kUnlitDivisor,
                  foreground_.blue() / kUnlitDivisor);
}

QString SevenSegmentCounter::PaddedText() const {
    if (fixedWidth_ > text_.size()) {
        return QString(fixedWidth_ - text_.size(), QLatin1Char(' ')) + text_;
    }
    return text_;
}

std::uint8_t SevenSegmentCounter::SegmentPattern(QChar character) {
    if (character >= QLatin1Char('0') && character <= QLatin1Char('9')) {
        return kDigitPatterns[character.unicode() - '0'];
    }
    return character == QLatin1Char('-') ? kMinusPattern : 0;
}

int SevenSegmentCounter::BarHeight() const {
    return showBar_ ? std::max(kMinBarHeight, height() / kBarDivisor) : 0;
}

namespace {

// Right edge of the last character of text drawn with the given segment sizes.
int TextRight(const QString& text, int thickness, int digitWidth) {
    int x = 2 * thickness;
    for (qsizetype i = 1; i < text.size(); ++i) {
        x += text[i] == QLatin1Char(':') ? thickness + digitWidth : digitWidth + 4 * thickness;
        if (text[i - 1] == QLatin1Char(':')) {
            x += digitWidth + 1;
        }
    }
    return x + digitWidth + thickness;
}

}  // namespace

SevenSegmentCounter::Geometry SevenSegmentCounter::CurrentGeometry() const {
    // Thickness and width are fixed on first paint, so digits keep their shape while the value
    // bar is toggled; a new size, or a text longer than the one measured, measures again.
    const QString text = PaddedText();
    if (!geometry_ || text.size() > geometry_->measuredLength) {
        const int drawable = std::max(1, height() - BarHeight());
        // Segment sizes follow the height, but digits never run past the right edge: a control
        // too narrow for its text at full height draws narrower digits of the same height.
        int sizing = drawable;
        auto thicknessFor = [](int h) {
            return std::max(1, static_cast<int>(std::floor(h * kThicknessRatio)));
        };
        auto widthFor = [](int h) {
            return std::max(1, static_cast<int>(std::floor(h * kDigitWidthRatio)));
        };
        while (sizing > 1 && TextRight(text, thicknessFor(sizing), widthFor(sizing)) > width()) {
            --sizing;
        }
        Geometry g;
        g.thickness = thicknessFor(sizing);
        g.digitWidth = widthFor(sizing);
        g.top = g.thickness;
        g.digitHeight = std::max(1, drawable - 2 * g.thickness);
        g.firstX = 2 * g.thickness;
        g.measuredLength = text.size();
        geometry_ = g;
    }
    return *geometry_;
}

QList<int> SevenSegmentCounter::CharacterPositions() const {
    const Geometry g = CurrentGeometry();
    const QString text = PaddedText();
    QList<int> positions;
    int x = g.firstX;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i > 0) {
            x += IsColon(text[i]) ? g.thickness + g.digitWidth : g.digitWidth + 4 * g.thickness;
            if (IsColon(text[i - 1])) {
                x += g.digitWidth + 1;
            }
        }
        positions.append(x);
    }
    return positions;
}

QRect SevenSegmentCounter::SegmentRect(SegmentBit segment, int x, const Geometry& g) {
    const int t = g.thickness;
    const int w = g.digitWidth;
    const int top = g.top;
    const int bottom = g.top + g.digitHeight;  // exclusive
    const int middleTop = top + (g.digitHeight - t) / 2;
    const int upperLength = std::max(1, middleTop - (top + t));
    const int lowerLength = std::max(1, bottom - t - (middleTop + t));
    switch (segment) {
        case kSegTop:
            return QRect(x + t, top, w, t);
        case kSegUpperRight:
            return QRect(x + t + w, top + t, t, upperLength);
        case kSegLowerRight:
            return QRect(x + t + w, middleTop + t, t, lowerLength);
        case kSegBottom:
            return QRect(x + t, bottom - t, w, t);
        case kSegLowerLeft:
            return QRect(x, middleTop + t, t, lowerLength);
        case kSegUpperLeft:
            return QRect(x, top + t, t, upperLength);
        case kSegMiddle:
            return QRect(x + t, middleTop, w, t);
    }
    return QRect();
}

void SevenSegmentCounter::PaintCharacter(QPainter& painter, QChar character, int x,
                                         const Geometry& g, const QColor& color) const {
    const int t = g.thickness;
    if (IsColon(character)) {
        // The colon sits in the middle of the wide gap the spacing rules leave around it.
        const int dotX = x + g.digitWidth + 2 * t;
        painter.fillRect(QRect(dotX, g.top + g.digitHeight / 3 - t / 2, t, t), color);
        painter.fillRect(QRect(dotX, g.top + 2 * g.digitHeight / 3 - t / 2, t, t), color);
        return;
    }
    if (character == QLatin1Char('.')) {
        painter.fillRect(QRect(x + t + (g.digitWidth - t) / 2, g.top + g.digitHeight - t, t, t),
                         color);
        return;
    }
    const std::uint8_t pattern = SegmentPattern(character);
    for (SegmentBit segment : kSegments) {
        if ((pattern & segment) != 0) {
            painter.fillRect(SegmentRect(segment, x, g), color);
        }
    }
}

void SevenSegmentCounter::PaintDigits(QPainter& painter, const Geometry& g) const {
    const QString text = PaddedText();
    const QList<int> positions = CharacterPositions();
    if (drawUnlit_) {
        const QColor unlit = UnlitColor();
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!IsColon(text[i])) {
                PaintCharacter(painter, QLatin1Char('8'), positions[i], g, unlit);
            }
        }
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        PaintCharacter(painter, text[i], positions[i], g, foreground_);
    }
}

void SevenSegmentCounter::PaintBar(QPainter& painter, const QRect& strip) const {
    painter.fillRect(strip, palette().color(QPalette::Button));
    DrawEdge(painter, strip, palette().color(QPalette::Dark), palette().color(QPalette::Light));
    const QRect inner = strip.adjusted(1, 1, -1, -1);
    const float span = std::fabs(maximum_ * kPercentScale - minimum_ * kPercentScale);
    int length = 0;
    if (span > 0.0f) {
        length = static_cast<int>((value_ * kPercentScale - minimum_ * kPercentScale) *
                                  static_cast<float>(inner.width()) / span);
    }
    bar_.DrawHorizontal(painter, inner, length);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(inner, Qt::TextSingleLine | Qt::AlignCenter, text_);
}

void SevenSegmentCounter::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), background_);
    PaintDigits(painter, CurrentGeometry());
    if (showBar_) {
        const int barHeight = BarHeight();
        PaintBar(painter, QRect(0, height() - barHeight, width(), barHeight));
    }
}

void SevenSegmentCounter::resizeEvent(QResizeEvent* event) {
    geometry_.reset();
    QWidget::resizeEvent(event);
}

}  // namespace quillon
