#include "controls/FramesAndGradients.h"

#include <QPainter>
#include <algorithm>

namespace quillon {

void FillFrame(QPainter& painter, const QRect& rect, int width, const QColor& color) {
    if (width <= 0 || rect.isEmpty()) {
        return;
    }
    const int w = std::min({width, rect.width(), rect.height()});
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), w), color);
    painter.fillRect(QRect(rect.left(), rect.bottom() - w + 1, rect.width(), w), color);
    painter.fillRect(QRect(rect.left(), rect.top(), w, rect.height()), color);
    painter.fillRect(QRect(rect.right() - w + 1, rect.top(), w, rect.height()), color);
}

QLinearGradient MakeGradient(const QRect& rect, const QColor& first, const QColor& second,
                             bool vertical, double flatEnds) {
    QLinearGradient gradient(rect.topLeft(), vertical ? rect.bottomLeft() : rect.topRight());
    const double flat = std::clamp(flatEnds, 0.0, 0.5);
    gradient.setColorAt(0.0, first);
    gradient.setColorAt(flat, first);
    gradient.setColorAt(1.0 - flat, second);
    gradient.setColorAt(1.0, second);
    return gradient;
}

void DrawEdge(QPainter& painter, const QRect& rect, const QColor& topLeft,
              const QColor& bottomRight) {
    if (rect.isEmpty()) {
        return;
    }
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), topLeft);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), topLeft);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottomRight);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottomRight);
}

}  // namespace quillon
