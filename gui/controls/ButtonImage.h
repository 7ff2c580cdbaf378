// The in and out pictures of a PaintedButton: two bitmaps with a transparent colour (drawn
// through the mask that colour gives) or two icons, plus the derived grey and darker out pictures.
// A null in bitmap leaves the button without a picture and reports false.
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>

class QPainter;
class QPalette;

namespace quillon {

class ButtonImage {
  public:
    // Out-picture sentinels: derive the out picture from the in picture.
    static constexpr int kOutGrey = -2;
    static constexpr int kOutDarker = -3;

    bool SetBitmaps(const QImage& in, const QColor& inTransparent, const QImage& out,
                    const QColor& outTransparent);
    bool SetBitmaps(const QImage& in, const QColor& inTransparent, int outSentinel);
    void SetIcons(const QIcon& in, const QIcon& out, const QSize& size);
    void Clear();

    bool IsEmpty() const { return size_.isEmpty(); }
    QSize Size() const { return size_; }
    const QImage& InBitmap() const { return inBitmap_; }
    const QImage& OutBitmap() const { return outBitmap_; }

    // Draws the in (hovered or pressed) or out picture; disabled pictures are embossed.
    void Draw(QPainter& painter, const QPoint& topLeft, bool in, bool disabled,
              const QPalette& palette) const;

    // Every pixel that is not the transparent colour turned to its luminance grey.
    static QImage MakeGrey(const QImage& image, const QColor& transparent);
    // Every pixel that is not the transparent colour with each channel scaled by 3/4.
    static QImage MakeDarker(const QImage& image, const QColor& transparent);

  private:
    static QPixmap MaskedPixmap(const QImage& image, const QColor& transparent);
    static void DrawEmbossed(QPainter& painter, const QPoint& topLeft, const QPixmap& source,
                             const QPalette& palette);

    QImage inBitmap_;
    QImage outBitmap_;
    QPixmap inPixmap_;
    QPixmap outPixmap_;
    QIcon inIcon_;
    QIcon outIcon_;
    bool usesIcons_ = false;
    QSize size_;
};

}  // namespace quillon
