#include "dialogs/ProgressLooks.h"

#include "controls/PaintedButton.h"
#include "controls/Rgb.h"

namespace quillon {

namespace {

constexpr bool kVertical = true;
constexpr bool kHorizontal = false;

struct Gradient {
    Rgb first;
    Rgb second;
    bool vertical;
};

void Dress(PaintedButton& b, const Gradient& g, int borderWidth, Rgb border) {
    b.SetGradientMode(ToQColor(g.first), ToQColor(g.second), g.vertical);
    b.SetGradientBorder(borderWidth, ToQColor(border));
}

void Text(PaintedButton& b, Rgb in, Rgb out, Rgb focus, int height, int weight, int alignment) {
    b.SetTextColors(ToQColor(in), ToQColor(out), ToQColor(focus));
    b.SetButtonFont(height, weight);
    b.SetTextAlignment(alignment);
}

constexpr Rgb kBlack = Rgb(0x000000);
constexpr Rgb kYellow = Rgb(0xFFFF00);
constexpr Rgb kWhite = Rgb(0xFFFFFF);
constexpr Rgb kDarkRed = Rgb(0x800000);
constexpr Rgb kRed = Rgb(0xFF0000);
constexpr Rgb kDarkBlue = Rgb(0x00008B);
constexpr Rgb kBlue = Rgb(0x0000FF);
constexpr Rgb kGold = Rgb(0xFFD700);
constexpr Rgb kDarkOrange = Rgb(0xFF8C00);
constexpr Rgb kOrangeBorder = Rgb(0xFEBF3F);
constexpr Rgb kLightGreen = Rgb(0x90EE90);
constexpr Rgb kGreen = Rgb(0x008000);
constexpr Rgb kDarkGreen = Rgb(0x006400);
constexpr Rgb kDarkRedFailed = Rgb(0x8B0000);
constexpr Rgb kExitFirst = Rgb(0xFDDD39);
constexpr Rgb kLightGrey = Rgb(0xF7F7F7);
constexpr Rgb kDarkGrey = Rgb(0xA9A9A9);
constexpr Rgb kDimGrey = Rgb(0x696969);
constexpr int kNoBorder = 0;

}  // namespace

void ProgressLooks::BoardPending(PaintedButton& b) {
    Dress(b, {kGold, kDarkOrange, kVertical}, 3, kOrangeBorder);
    Text(b, kBlack, kBlack, kBlack, 13, 400, PaintedButton::kMultiLeft);
}

void ProgressLooks::BoardCompleted(PaintedButton& b) {
    b.SetProgressMode(0, 0);
    Dress(b, {kLightGreen, kGreen, kHorizontal}, 1, kDarkGreen);
}

void ProgressLooks::BoardFailed(PaintedButton& b) {
    b.SetProgressMode(0, 0);
    Dress(b, {kRed, kDarkRedFailed, kHorizontal}, 1, kDarkRed);
}

// Grey: neither loaded nor refused by the unit; what it holds now is unknown.
void ProgressLooks::BoardCanceled(PaintedButton& b) {
    b.SetProgressMode(0, 0);
    Dress(b, {kLightGrey, kDarkGrey, kHorizontal}, 1, kDimGrey);
}

void ProgressLooks::AbortOrCancel(PaintedButton& b) {
    Dress(b, {kDarkRed, kRed, kVertical}, kNoBorder, kDarkRed);
    Text(b, kYellow, kYellow, kYellow, 14, 700, PaintedButton::kSingleCentered);
}

void ProgressLooks::Exit(PaintedButton& b) {
    Dress(b, {kExitFirst, kOrangeBorder, kVertical}, 2, kOrangeBorder);
    Text(b, kDarkBlue, kBlue, kBlue, 24, 700, PaintedButton::kSingleCentered);
}

void ProgressLooks::ShowSerView(PaintedButton& b) {
    Dress(b, {kLightGrey, kDarkGrey, kVertical}, kNoBorder, kDarkRed);
    Text(b, kDarkRed, kBlue, kBlue, 12, 700, PaintedButton::kSingleCentered);
}

void ProgressLooks::MaxView(PaintedButton& b) {
    Dress(b, {kLightGrey, kDarkGrey, kVertical}, kNoBorder, kDarkRed);
    Text(b, kDarkRed, kDarkBlue, kDarkBlue, 12, 700, PaintedButton::kSingleCentered);
}

void ProgressLooks::NormalViews(PaintedButton& b) {
    Dress(b, {kRed, kDarkRed, kVertical}, kNoBorder, kDarkRed);
    Text(b, kWhite, kYellow, kYellow, 13, 700, PaintedButton::kSingleCentered);
}

}  // namespace quillon
