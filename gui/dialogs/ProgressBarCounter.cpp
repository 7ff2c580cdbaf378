#include "dialogs/ProgressBarCounter.h"

#include <QPainter>
#include <algorithm>

#include "controls/GradientBar.h"

namespace quillon {

namespace {
constexpr int kEdge = 1;
}  // namespace

ProgressBarCounter::ProgressBarCounter(QWidget* parent) : SevenSegmentCounter(parent) {
    SetDrawUnlit(false);
}

void ProgressBarCounter::SetBarRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    SetRange(static_cast<float>(minimum), static_cast<float>(maximum));
    update();
}

void ProgressBarCounter::SetBarValue(int value) {
    const QString text = Text();
    SetValue(static_cast<float>(value));
    SetDisplayText(text);
}

void ProgressBarCounter::SetBarColor(const QColor& color) {
    barColor_ = color;
    update();
}

int ProgressBarCounter::FilledWidth() const {
    const int inner = std::max(0, width() - 2 * kEdge);
    const long long span = static_cast<long long>(maximum_) - minimum_;
    if (span <= 0) {
        return 0;
    }
    const long long done =
        std::clamp<long long>(static_cast<long long>(Value()) - minimum_, 0, span);
    return static_cast<int>(done * inner / span);
}

void ProgressBarCounter::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect whole = rect();
    painter.fillRect(whole, palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(whole.adjusted(0, 0, -1, -1));
    const QRect inner = whole.adjusted(kEdge, kEdge, -kEdge, -kEdge);
    GradientBar bar(barColor_, palette());
    const int filled = FilledWidth();
    bar.DrawHorizontal(painter, inner, filled);
    // Dark text on the empty part, light text on the bar, so the whole line stays readable.
    const QRect done(inner.left(), inner.top(), filled, inner.height());
    painter.save();
    painter.setClipRect(done);
    painter.setPen(Qt::white);
    painter.drawText(inner, Qt::TextSingleLine | Qt::AlignCenter, Text());
    painter.setClipRegion(QRegion(inner).subtracted(QRegion(done)));
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(inner, Qt::TextSingleLine | Qt::AlignCenter, Text());
    painter.restore();
}

}  // namespace quillon
