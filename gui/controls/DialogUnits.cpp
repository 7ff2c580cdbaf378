#include "controls/DialogUnits.h"

#include <QFontMetrics>
#include <algorithm>

namespace quillon {

namespace {
constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kAlphabetLength = 52;
constexpr int kHorizontalUnitsPerChar = 4;
constexpr int kVerticalUnitsPerChar = 8;

// Rounds like a multiply-then-divide of the platform, halves away from zero.
int MulDivRounded(int value, int multiplier, int divisor) {
    const long long product = static_cast<long long>(value) * multiplier;
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor
                                         : -((-product + half) / divisor));
}
}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabetWidth = metrics.horizontalAdvance(QString::fromLatin1(kAlphabet));
    averageWidth_ = std::max(1, MulDivRounded(alphabetWidth, 1, kAlphabetLength));
    averageHeight_ = std::max(1, metrics.height());
}

int DialogUnits::ToPixelsX(int x) const {
    return MulDivRounded(x, averageWidth_, kHorizontalUnitsPerChar);
}

int DialogUnits::ToPixelsY(int y) const {
    return MulDivRounded(y, averageHeight_, kVerticalUnitsPerChar);
}

QRect DialogUnits::ToPixels(const QRect& dialogUnits) const {
    return QRect(ToPixelsX(dialogUnits.x()), ToPixelsY(dialogUnits.y()),
                 ToPixelsX(dialogUnits.width()), ToPixelsY(dialogUnits.height()));
}

}  // namespace quillon
