#include "controls/GradientBar.h"

#include <QPainter>
#include <algorithm>

namespace quillon {

namespace {
constexpr int kMaxChannel = 255;

int LighterChannel(int channel) {
    return channel + GradientBar::kShadeStep <= kMaxChannel ? channel + GradientBar::kShadeStep
                                                            : channel;
}

int DarkerChannel(int channel) {
    return channel >= GradientBar::kShadeStep ? channel - GradientBar::kShadeStep : channel;
}
}  // namespace

GradientBar::GradientBar(const QColor& base, const QPalette& palette) {
    SetColor(base, palette);
}

QColor GradientBar::Lighter(const QColor& color) {
    return QColor(LighterChannel(color.red()), LighterChannel(color.green()),
                  LighterChannel(color.blue()));
}

QColor GradientBar::Darker(const QColor& color) {
    return QColor(DarkerChannel(color.red()), DarkerChannel(color.green()),
                  DarkerChannel(color.blue()));
}

void GradientBar::SetColor(const QColor& base, const QPalette& palette) {
    base_ = base.toRgb();
    pens_[kLight1] = Lighter(base_);
    pens_[kLight2] = Lighter(pens_[kLight1]);
    pens_[kLight3] = Lighter(pens_[kLight2]);
    pens_[kDark1] = Darker(base_);
    pens_[kDark2] = Darker(pens_[kDark1]);
    const QColor darkShadow = palette.color(QPalette::Shadow);
    const QColor shadow = palette.color(QPalette::Dark);
    pens_[kDarkShadow] = darkShadow;
    pens_[kShadow] = shadow;
    pens_[kShadowMid] =
        QColor((darkShadow.red() + shadow.red()) / 2, (darkShadow.green() + shadow.green()) / 2,
               (darkShadow.blue() + shadow.blue()) / 2);
}

void GradientBar::DrawHorizontal(QPainter& painter, const QRect& rect, int length) const {
    const int width = std::clamp(length, 0, rect.width());
    if (width <= 0 || rect.height() <= 0) {
        return;
    }
    // Rows from the top: highlights, the base body, then darker rows and the shadow line.
    const std::array<QColor, 3> top = {pens_[kLight3], pens_[kLight2], pens_[kLight1]};
    const std::array<QColor, 3> bottom = {pens_[kDark1], pens_[kDark2], pens_[kShadowMid]};
    const int edgeRows = std::min<int>(static_cast<int>(top.size()), rect.height() / 3);
    painter.fillRect(QRect(rect.left(), rect.top(), width, rect.height()), base_);
    for (int row = 0; row < edgeRows; ++row) {
        painter.fillRect(QRect(rect.left(), rect.top() + row, width, 1), top[row]);
        painter.fillRect(QRect(rect.left(), rect.bottom() - edgeRows + 1 + row, width, 1),
                         bottom[row]);
    }
    painter.fillRect(QRect(rect.left() + width - 1, rect.top(), 1, rect.height()),
                     pens_[kDarkShadow]);
}

}  // namespace quillon
