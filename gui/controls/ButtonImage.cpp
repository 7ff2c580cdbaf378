#include "controls/ButtonImage.h"

#include <QBitmap>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <functional>

namespace quillon {

namespace {
constexpr double kLumaRed = 0.299;
constexpr double kLumaGreen = 0.587;
constexpr double kLumaBlue = 0.114;
constexpr double kDarkerFactor = 0.75;

QImage MapOpaquePixels(const QImage& image, const QColor& transparent,
                       const std::function<QRgb(QRgb)>& map) {
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent.rgb() & RGB_MASK;
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            if ((line[x] & RGB_MASK) != key) {
                line[x] = map(line[x]);
            }
        }
    }
    return result;
}

int ClampChannel(double value) {
    return std::clamp(static_cast<int>(value + 0.5), 0, 255);
}

// The shape of a picture (its non-transparent pixels) filled with one colour.
QPixmap Silhouette(const QPixmap& source, const QColor& color) {
    QPixmap shape(source.size());
    shape.fill(Qt::transparent);
    QPainter painter(&shape);
    painter.drawPixmap(0, 0, source);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(shape.rect(), color);
    return shape;
}
}  // namespace

QImage ButtonImage::MakeGrey(const QImage& image, const QColor& transparent) {
    return MapOpaquePixels(image, transparent, [](QRgb pixel) {
        const int grey = ClampChannel(kLumaRed * qRed(pixel) + kLumaGreen * qGreen(pixel) +
                                      kLumaBlue * qBlue(pixel));
        return qRgba(grey, grey, grey, qAlpha(pixel));
    });
}

QImage ButtonImage::MakeDarker(const QImage& image, const QColor& transparent) {
    return MapOpaquePixels(image, transparent, [](QRgb pixel) {
        return qRgba(static_cast<int>(qRed(pixel) * kDarkerFactor),
                     static_cast<int>(qGreen(pixel) * kDarkerFactor),
                     static_cast<int>(qBlue(pixel) * kDarkerFactor), qAlpha(pixel));
    });
}

QPixmap ButtonImage::MaskedPixmap(const QImage& image, const QColor& transparent) {
    QPixmap pixmap = QPixmap::fromImage(image.convertToFormat(QImage::Format_ARGB32));
    pixmap.setMask(pixmap.createMaskFromColor(transparent, Qt::MaskInColor));
    return pixmap;
}

void ButtonImage::Clear() {
    *this = ButtonImage();
}

bool ButtonImage::SetBitmaps(const QImage& in, const QColor& inTransparent, const QImage& out,
                             const QColor& outTransparent) {
    Clear();
    if (in.isNull()) {
        return false;
    }
    inBitmap_ = in.convertToFormat(QImage::Format_ARGB32);
    outBitmap_ = out.isNull() ? inBitmap_ : out.convertToFormat(QImage::Format_ARGB32);
    inPixmap_ = MaskedPixmap(inBitmap_, inTransparent);
    outPixmap_ = MaskedPixmap(outBitmap_, out.isNull() ? inTransparent : outTransparent);
    size_ = inBitmap_.size().expandedTo(outBitmap_.size());
    return true;
}

bool ButtonImage::SetBitmaps(const QImage& in, const QColor& inTransparent, int outSentinel) {
    if (in.isNull()) {
        Clear();
        return false;
    }
    QImage out;
    if (outSentinel == kOutGrey) {
        out = MakeGrey(in, inTransparent);
    } else if (outSentinel == kOutDarker) {
        out = MakeDarker(in, inTransparent);
    }
    return SetBitmaps(in, inTransparent, out, inTransparent);
}

void ButtonImage::SetIcons(const QIcon& in, const QIcon& out, const QSize& size) {
    Clear();
    if (in.isNull() || size.isEmpty()) {
        return;
    }
    inIcon_ = in;
    outIcon_ = out.isNull() ? in : out;
    usesIcons_ = true;
    size_ = size;
}

void ButtonImage::DrawEmbossed(QPainter& painter, const QPoint& topLeft, const QPixmap& source,
                               const QPalette& palette) {
    painter.drawPixmap(topLeft + QPoint(1, 1), Silhouette(source, palette.color(QPalette::Light)));
    painter.drawPixmap(topLeft, Silhouette(source, palette.color(QPalette::Dark)));
}

void ButtonImage::Draw(QPainter& painter, const QPoint& topLeft, bool in, bool disabled,
                       const QPalette& palette) const {
    if (IsEmpty()) {
        return;
    }
    if (usesIcons_) {
        const QIcon& icon = in ? inIcon_ : outIcon_;
        if (disabled) {
            DrawEmbossed(painter, topLeft, icon.pixmap(size_), palette);
        } else {
            painter.drawPixmap(topLeft, icon.pixmap(size_));
        }
        return;
    }
    const QPixmap& pixmap = in ? inPixmap_ : outPixmap_;
    if (disabled) {
        DrawEmbossed(painter, topLeft, pixmap, palette);
    } else {
        painter.drawPixmap(topLeft, pixmap);
    }
}

}  // namespace quillon
