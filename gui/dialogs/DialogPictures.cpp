#include "dialogs/DialogPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace quillon {

namespace {
constexpr int kMargin = 3;
constexpr qreal kGlyphPenRatio = 0.11;

QImage BlankPicture() {
    QImage image(kDialogPictureSize, kDialogPictureSize, QImage::Format_ARGB32);
    image.fill(Qt::white);
    return image;
}

// A shaded disc: light centre high on the left, the given colours from inside out.
void DrawDisc(QPainter& painter, const QColor& inner, const QColor& outer, const QColor& rim) {
    const QRectF disc(kMargin, kMargin, kDialogPictureSize - 2 * kMargin,
                      kDialogPictureSize - 2 * kMargin);
    QRadialGradient shade(disc.center() - QPointF(disc.width() / 6, disc.height() / 6),
                          disc.width() * 0.7);
    shade.setColorAt(0.0, inner);
    shade.setColorAt(1.0, outer);
    painter.setPen(QPen(rim, 1.5));
    painter.setBrush(shade);
    painter.drawEllipse(disc);
}
}  // namespace

QImage DrawConfirmPicture() {
    QImage image = BlankPicture();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawDisc(painter, QColor(120, 170, 255), QColor(20, 60, 170), QColor(10, 30, 110));
    const qreal s = kDialogPictureSize;
    QPainterPath hook;
    hook.moveTo(s * 0.36, s * 0.38);
    hook.cubicTo(s * 0.36, s * 0.20, s * 0.66, s * 0.20, s * 0.64, s * 0.38);
    hook.cubicTo(s * 0.63, s * 0.48, s * 0.50, s * 0.48, s * 0.50, s * 0.60);
    painter.setPen(QPen(Qt::white, s * kGlyphPenRatio, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(hook);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(s * 0.50, s * 0.75), s * 0.065, s * 0.065);
    return image;
}

QImage DrawErrorPicture() {
    QImage image = BlankPicture();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawDisc(painter, QColor(255, 120, 110), QColor(190, 10, 10), QColor(110, 0, 0));
    const qreal s = kDialogPictureSize;
    painter.setPen(QPen(Qt::white, s * kGlyphPenRatio, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(s * 0.34, s * 0.34), QPointF(s * 0.66, s * 0.66));
    painter.drawLine(QPointF(s * 0.66, s * 0.34), QPointF(s * 0.34, s * 0.66));
    return image;
}

}  // namespace quillon
