// Shaded bar drawing for the counter's value strip: a base colour and the eight pens derived
// from it (three lighter, two darker shades, the system dark shadow, shadow and their midpoint).
// Any base colour is accepted; shading steps that would leave 0..255 leave that channel alone.
#pragma once

#include <QColor>
#include <QPalette>
#include <QRect>
#include <array>

class QPainter;

namespace quillon {

class GradientBar {
  public:
    static constexpr int kShadeStep = 51;
    enum Pen {
        kLight1,
        kLight2,
        kLight3,
        kDark1,
        kDark2,
        kDarkShadow,
        kShadow,
        kShadowMid,
        kPenCount
    };

    explicit GradientBar(const QColor& base = Qt::blue, const QPalette& palette = QPalette());

    void SetColor(const QColor& base, const QPalette& palette = QPalette());
    QColor Base() const { return base_; }
    QColor PenColor(Pen pen) const { return pens_.at(pen); }

    static QColor Lighter(const QColor& color);
    static QColor Darker(const QColor& color);

    // A horizontal bar of the given length from the left of rect, shaded top to bottom.
    void DrawHorizontal(QPainter& painter, const QRect& rect, int length) const;

  private:
    QColor base_;
    std::array<QColor, kPenCount> pens_;
};

}  // namespace quillon
