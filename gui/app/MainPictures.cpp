#include "app/MainPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>

#include "protocol/Boards.h"

namespace quillon {

namespace {

constexpr QColor kCloseGrey(128, 128, 128);
constexpr QColor kStartInFace(40, 200, 60);
constexpr QColor kStartOutFace(20, 140, 40);
constexpr QColor kStartRim(0, 80, 0);
constexpr QColor kLogoBlade(220, 220, 230);
constexpr QColor kLogoGuard(255, 200, 0);
constexpr QColor kBoardGreen(0, 110, 60);
constexpr QColor kBoardEdge(0, 60, 30);
constexpr QColor kChip(30, 30, 30);
constexpr QColor kPin(200, 170, 60);
constexpr QColor kReaderWheel(30, 60, 140);
constexpr QColor kSpeaker(120, 0, 0);
constexpr QColor kIconBack(20, 24, 60);
constexpr int kIconSize = 64;

QImage Filled(const QSize& size, const QColor& ground) {
    QImage image(size.expandedTo(QSize(8, 8)), QImage::Format_RGB32);
    image.fill(ground);
    return image;
}

// A dagger with a cross guard, pointing up, inside box.
void DrawQuillon(QPainter& painter, const QRectF& box) {
    const qreal cx = box.center().x();
    const qreal w = box.width();
    const qreal h = box.height();
    QPolygonF blade;
    blade << QPointF(cx, box.top()) << QPointF(cx + w * 0.09, box.top() + h * 0.2)
          << QPointF(cx + w * 0.07, box.top() + h * 0.62)
          << QPointF(cx - w * 0.07, box.top() + h * 0.62)
          << QPointF(cx - w * 0.09, box.top() + h * 0.2);
    painter.setPen(QPen(Qt::black, 0.5));
    painter.setBrush(kLogoBlade);
    painter.drawPolygon(blade);
    painter.setBrush(kLogoGuard);
    // The quillons: the guard bars that curve towards the blade.
    QPainterPath guard;
    guard.moveTo(box.left(), box.top() + h * 0.58);
    guard.quadTo(cx, box.top() + h * 0.74, box.right(), box.top() + h * 0.58);
    guard.lineTo(box.right(), box.top() + h * 0.68);
    guard.quadTo(cx, box.top() + h * 0.84, box.left(), box.top() + h * 0.68);
    guard.closeSubpath();
    painter.drawPath(guard);
    painter.drawRect(QRectF(cx - w * 0.05, box.top() + h * 0.74, w * 0.1, h * 0.18));
    painter.drawEllipse(QPointF(cx, box.top() + h * 0.94), w * 0.07, h * 0.05);
}

void DrawBoard(QPainter& painter, const QRectF& box) {
    painter.setPen(QPen(kBoardEdge, 1));
    painter.setBrush(kBoardGreen);
    painter.drawRoundedRect(box, 2, 2);
}

void DrawComm(QPainter& painter, const QRectF& area) {
    const QRectF board = area.adjusted(1, area.height() * 0.3, -1, -1);
    DrawBoard(painter, board);
    // An antenna: the board that talks to the wayside.
    painter.setPen(QPen(kChip, 1.5));
    const qreal x = board.right() - board.width() * 0.2;
    painter.drawLine(QPointF(x, board.top()), QPointF(x, area.top() + 1));
    painter.drawArc(QRectF(x - 4, area.top() + 1, 8, 6), 0, 180 * 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kChip);
    painter.drawRect(QRectF(board.left() + board.width() * 0.15, board.top() + board.height() * 0.3,
                            board.width() * 0.4, board.height() * 0.45));
}

void DrawReader(QPainter& painter, const QRectF& area) {
    const QRectF board = area.adjusted(1, area.height() * 0.15, -area.width() * 0.35, -1);
    DrawBoard(painter, board);
    // A wheel on the rail: the board that reads the passing train.
    const qreal r = std::min(area.width() * 0.18, area.height() * 0.35);
    const QPointF centre(area.right() - r - 1, area.bottom() - r - 3);
    painter.setPen(QPen(kReaderWheel, 2));
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, r, r);
    painter.drawLine(QPointF(centre.x() - r - 1, area.bottom() - 1),
                     QPointF(area.right(), area.bottom() - 1));
    painter.setPen(Qt::NoPen);
    painter.setBrush(kPin);
    for (int i = 0; i < 4; ++i) {
        painter.drawRect(QRectF(board.left() + 3 + i * board.width() / 5, board.bottom() - 4,
                                board.width() / 10, 3));
    }
}

void DrawSpeech(QPainter& painter, const QRectF& area) {
    const qreal h = area.height();
    painter.setPen(Qt::NoPen);
    painter.setBrush(kSpeaker);
    QPolygonF speaker;
    speaker << QPointF(area.left() + 2, area.top() + h * 0.35)
            << QPointF(area.left() + area.width() * 0.25, area.top() + h * 0.35)
            << QPointF(area.left() + area.width() * 0.5, area.top() + 2)
            << QPointF(area.left() + area.width() * 0.5, area.bottom() - 2)
            << QPointF(area.left() + area.width() * 0.25, area.top() + h * 0.65)
            << QPointF(area.left() + 2, area.top() + h * 0.65);
    painter.drawPolygon(speaker);
    painter.setPen(QPen(kSpeaker, 1.5));
    painter.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 3; ++i) {
        const qreal r = h * 0.14 * i;
        painter.drawArc(
            QRectF(area.left() + area.width() * 0.5 - r, area.center().y() - r, 2 * r, 2 * r),
            -45 * 16, 90 * 16);
    }
}

}  // namespace

QImage DrawCloseGlyph(const QSize& size) {
    QImage image = Filled(size, Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kCloseGrey, 2));
    const int side = std::min(image.width(), image.height()) - 6;
    const QRect box((image.width() - side) / 2, (image.height() - side) / 2, side, side);
    painter.drawLine(box.topLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomLeft());
    return image;
}

QImage DrawMinimiseGlyph(const QSize& size) {
    QImage image = Filled(size, Qt::black);
    QPainter painter(&image);
    painter.setPen(QPen(kCloseGrey, 2));
    // A bar at the foot of the close glyph's box, so the two glyphs read as one pair.
    const int side = std::min(image.width(), image.height()) - 6;
    const int left = (image.width() - side) / 2;
    const int foot = (image.height() + side) / 2;
    painter.drawLine(left, foot, left + side, foot);
    return image;
}

QImage DrawStartPicture(const QSize& size, bool in) {
    QImage image = Filled(size, in ? Qt::red : Qt::blue);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(image.rect()).adjusted(2, 2, -2, -2);
    painter.setPen(QPen(kStartRim, 2));
    painter.setBrush(in ? kStartInFace : kStartOutFace);
    painter.drawRoundedRect(face, face.height() * 0.3, face.height() * 0.3);
    QFont font(QStringLiteral("Verdana"));
    font.setBold(true);
    font.setPixelSize(std::max(8, static_cast<int>(face.height() * 0.38)));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(face, Qt::AlignCenter, QStringLiteral("START"));
    return image;
}

QImage DrawLogoPicture(const QSize& size, bool in) {
    QImage image = Filled(size, in ? Qt::red : Qt::blue);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(image.width(), image.height()) - 2;
    DrawQuillon(painter, QRectF((image.width() - side) / 2, 1, side, side));
    return image;
}

QImage DrawSlotPicture(FileKind kind, const QSize& size) {
    QImage image = Filled(size, Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(image.rect()).adjusted(1, 1, -1, -1);
    switch (kind) {
        case FileKind::kComm:
            DrawComm(painter, area);
            break;
        case FileKind::kReader:
            DrawReader(painter, area);
            break;
        default:
            DrawSpeech(painter, area);
            break;
    }
    return image;
}

QIcon ProgramIcon() {
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kIconBack);
    painter.drawRoundedRect(QRectF(2, 2, kIconSize - 4, kIconSize - 4), 10, 10);
    DrawQuillon(painter, QRectF(14, 6, kIconSize - 28, kIconSize - 12));
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace quillon
