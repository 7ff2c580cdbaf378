#include "dialogs/SettingsDialogLook.h"

#include <QPainter>

#include "controls/PaintHelpers.h"

namespace quillon {

namespace {
constexpr int kFrameWidth = 5;
constexpr ColorRef kFrameColor = 0x00800080;
constexpr ColorRef kBandFirst = 0x00000000;
constexpr ColorRef kBandSecond = 0x00A9A9A9;
constexpr ColorRef kTitleColor = 0x0000C0FF;
constexpr int kBandBottom = 40;
constexpr int kTitleRightInset = 15;
constexpr int kTitleBottom = 35;
constexpr ColorRef kBodyFirst = 0x00F5F5F5;
constexpr ColorRef kBodySecond = 0x00CFCFCF;
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
    painter.fillRect(body, MakeGradient(body, FromColorRef(kBodyFirst), FromColorRef(kBodySecond),
                                        false, kFlatEnds));
}

}  // namespace quillon
