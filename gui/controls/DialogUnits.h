// Converts dialog-unit positions and sizes into pixels from a dialog font's average character
// size, so window layouts scale with the font as the original dialog templates did. A font with
// no measurable size still gives a usable (non-zero) base.
#pragma once

#include <QFont>
#include <QRect>

namespace quillon {

class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int AverageWidth() const { return averageWidth_; }
    int AverageHeight() const { return averageHeight_; }

    int ToPixelsX(int x) const;
    int ToPixelsY(int y) const;
    QRect ToPixels(const QRect& dialogUnits) const;

  private:
    int averageWidth_ = 1;
    int averageHeight_ = 1;
};

}  // namespace quillon
