#include "dialogs/SettingsDialogLook.h"

#include <QPainter>

#include "controls/FramesAndGradients.h"

namespace quillon {

namespace {
constexpr int kFrameWidth = 5;
constexpr Rgb kFrameColor = Rgb(0x800080);
constexpr Rgb kBandFirst = Rgb(0x000000);
constexpr Rgb kBandSecond = Rgb(0xA9A9A9);
constexpr Rgb kTitleColor = Rgb(0xFFC000);
constexpr int kBandBottom = 40;
constexpr int kTitleRightInset = 15;
constexpr int kTitleBottom = 35;
constexpr Rgb kBodyFirst = Rgb(0xF5F5F5);
constexpr Rgb kBodySecond = Rgb(0xCFCFCF);
constexpr double kFlatEnds = 0.02;
}  // namespace

FramedDialog::Look SettingsDialogLook() {
    return {kFrameWidth, kFrameColor, kBandFirst,       kBandSecond, kTitleColor,
            kFrameWidth, kBandBottom, kTitleRightInset, kTitleBottom};
}

void PaintSettingsBody(QPainter& painter, const QSize& client) {
    const QRect body(QPoint(kFrameWidth, kBandBottom),
                     QPoint(client.width() - kFrameWidth - 1, client.height() - kFrameWidth - 1));
    if (body.isEmpty()) {
        return;
    }
    painter.fillRect(
        body, MakeGradient(body, ToQColor(kBodyFirst), ToQColor(kBodySecond), false, kFlatEnds));
}

}  // namespace quillon
