#include "controls/TransparentLabel.h"

#include <QPainter>

namespace quillon {

TransparentLabel::TransparentLabel(QWidget* parent) : QLabel(parent) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_NoSystemBackground);
    setTextFormat(Qt::PlainText);
}

void TransparentLabel::SetEllipsis(bool on) {
    ellipsis_ = on;
    update();
}

void TransparentLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect box = contentsRect();
    int flags = static_cast<int>(alignment() & Qt::AlignHorizontal_Mask);
    QString shown = text();
    if (wordWrap()) {
        flags |= Qt::TextWordWrap | Qt::AlignTop;
    } else {
        flags |= Qt::TextSingleLine | Qt::AlignVCenter;
        if (ellipsis_) {
            shown = painter.fontMetrics().elidedText(shown, Qt::ElideRight, box.width());
        }
    }
    painter.drawText(box, flags, shown);
}

}  // namespace quillon
