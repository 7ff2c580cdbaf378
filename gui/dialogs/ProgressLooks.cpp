#include "dialogs/ProgressLooks.h"

#include "controls/ColorRef.h"
#include "controls/ExtendedButton.h"

namespace quillon {

namespace {

constexpr bool kVertical = true;
constexpr bool kHorizontal = false;

struct Gradient {
    ColorRef first;
    ColorRef second;
    bool vertical;
};

void Dress(ExtendedButton& b, const Gradient& g, int borderWidth, ColorRef border) {
    b.SetGradientMode(FromColorRef(g.first), FromColorRef(g.second), g.vertical);
    b.SetGradientBorder(borderWidth, FromColorRef(border));
}

void Text(ExtendedButton& b, ColorRef in, ColorRef out, ColorRef focus, int height, int weight,
          int alignment) {
    b.SetTextColors(FromColorRef(in), FromColorRef(out), FromColorRef(focus));
    b.SetButtonFont(height, weight);
    b.SetTextAlignment(alignment);
}

constexpr ColorRef kBlack = 0x00000000;
constexpr ColorRef kYellow = 0x0000FFFF;
constexpr ColorRef kWhite = 0x00FFFFFF;
constexpr ColorRef kDarkRed = 0x00000080;
constexpr ColorRef kRed = 0x000000FF;
constexpr ColorRef kDarkBlue = 0x008B0000;
constexpr ColorRef kBlue = 0x00FF0000;
constexpr ColorRef kGold = 0x0000D7FF;
constexpr ColorRef kDarkOrange = 0x00008CFF;
constexpr ColorRef kOrangeBorder = 0x003FBFFE;
constexpr ColorRef kLightGreen = 0x0090EE90;
constexpr ColorRef kGreen = 0x00008000;
constexpr ColorRef kDarkGreen = 0x00006400;
constexpr ColorRef kDarkRedFailed = 0x0000008B;
constexpr ColorRef kExitFirst = 0x0039DDFD;
constexpr ColorRef kLightGrey = 0x00F7F7F7;
constexpr ColorRef kDarkGrey = 0x00A9A9A9;
constexpr int kNoBorder = 0;

}  // namespace

void ProgressLooks::BoardPending(ExtendedButton& b) {
    Dress(b, {kGold, kDarkOrange, kVertical}, 3, kOrangeBorder);
    Text(b, kBlack, kBlack, kBlack, 13, 400, ExtendedButton::kMultiLeft);
}

void ProgressLooks::BoardCompleted(ExtendedButton& b) {
    b.SetProgressMode(0, 0);
    Dress(b, {kLightGreen, kGreen, kHorizontal}, 1, kDarkGreen);
}

void ProgressLooks::BoardFailed(ExtendedButton& b) {
    b.SetProgressMode(0, 0);
    Dress(b, {kRed, kDarkRedFailed, kHorizontal}, 1, kDarkRed);
}

void ProgressLooks::AbortOrCancel(ExtendedButton& b) {
    Dress(b, {kDarkRed, kRed, kVertical}, kNoBorder, kDarkRed);
    Text(b, kYellow, kYellow, kYellow, 14, 700, ExtendedButton::kSingleCentered);
}

void ProgressLooks::Exit(ExtendedButton& b) {
    Dress(b, {kExitFirst, kOrangeBorder, kVertical}, 2, kOrangeBorder);
    Text(b, kDarkBlue, kBlue, kBlue, 24, 700, ExtendedButton::kSingleCentered);
}

void ProgressLooks::ShowSerView(ExtendedButton& b) {
    Dress(b, {kLightGrey, kDarkGrey, kVertical}, kNoBorder, kDarkRed);
    Text(b, kDarkRed, kBlue, kBlue, 12, 700, ExtendedButton::kSingleCentered);
}

void ProgressLooks::MaxView(ExtendedButton& b) {
    Dress(b, {kLightGrey, kDarkGrey, kVertical}, kNoBorder, kDarkRed);
    Text(b, kDarkRed, kDarkBlue, kDarkBlue, 12, 700, ExtendedButton::kSingleCentered);
}

void ProgressLooks::NormalViews(ExtendedButton& b) {
    Dress(b, {kRed, kDarkRed, kVertical}, kNoBorder, kDarkRed);
    Text(b, kWhite, kYellow, kYellow, 13, 700, ExtendedButton::kSingleCentered);
}

}  // namespace quillon
