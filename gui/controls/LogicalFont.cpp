#include "controls/LogicalFont.h"

#include <QFontMetrics>
#include <algorithm>
#include <cstdlib>

namespace quillon {

QFont LogicalFont(const QString& face, int height, int weight) {
    QFont font(face);
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    if (height == 0) {
        return font;
    }
    const int wanted = std::abs(height);
    font.setPixelSize(wanted);
    if (height > 0) {
        // The cell of a font of pixel size n is a little taller than n; shrink until it fits.
        for (int size = wanted; size > 1 && QFontMetrics(font).height() > wanted; --size) {
            font.setPixelSize(size - 1);
        }
    }
    return font;
}

}  // namespace quillon
