#include "dialogs/SettingsPictures.h"

#include <QPainter>
#include <QPolygonF>

namespace quillon {

namespace {

constexpr QColor kFolderBody(230, 180, 60);
constexpr QColor kFolderEdge(150, 100, 20);
constexpr QColor kSpeaker(40, 40, 120);
constexpr QColor kCross(200, 0, 0);

QImage WhiteImage(const QSize& size) {
    QImage image(size.expandedTo(QSize(4, 4)), QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

}  // namespace

QImage DrawBrowsePicture(const QSize& size) {
    QImage image = WhiteImage(size);
    QPainter painter(&image);
    const qreal w = image.width();
    const qreal h = image.height();
    painter.setPen(QPen(kFolderEdge, 1));
    painter.setBrush(kFolderBody);
    QPolygonF folder;
    folder << QPointF(1, 2) << QPointF(w * 0.4, 2) << QPointF(w * 0.5, h * 0.25)
           << QPointF(w - 2, h * 0.25) << QPointF(w - 2, h - 2) << QPointF(1, h - 2);
    painter.drawPolygon(folder);
    return image;
}

QImage DrawPlayPicture(const QSize& size) {
    QImage image = WhiteImage(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = image.width();
    const qreal h = image.height();
    painter.setPen(Qt::NoPen);
    painter.setBrush(kSpeaker);
    QPolygonF speaker;
    speaker << QPointF(1, h * 0.35) << QPointF(w * 0.25, h * 0.35) << QPointF(w * 0.55, 1)
            << QPointF(w * 0.55, h - 1) << QPointF(w * 0.25, h * 0.65) << QPointF(1, h * 0.65);
    painter.drawPolygon(speaker);
    painter.setPen(QPen(kSpeaker, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(w * 0.45, h * 0.2, w * 0.35, h * 0.6), -60 * 16, 120 * 16);
    painter.drawArc(QRectF(w * 0.4, 1, w * 0.55, h - 2), -60 * 16, 120 * 16);
    return image;
}

QImage DrawClearPicture(const QSize& size) {
    QImage image = WhiteImage(size);
    QPainter painter(&image);
    const int side = std::min(image.width(), image.height()) - 2;
    const int left = (image.width() - side) / 2;
    const int top = (image.height() - side) / 2;
    painter.setPen(QPen(kCross, 2));
    painter.drawLine(left, top, left + side, top + side);
    painter.drawLine(left + side, top, left, top + side);
    return image;
}

}  // namespace quillon
