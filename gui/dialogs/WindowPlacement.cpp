#include "dialogs/WindowPlacement.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace quillon {

void WindowPlacement::CentreOverParent(QWidget& dialog) {
    const QWidget* parent = dialog.parentWidget();
    if (parent == nullptr) {
        return;
    }
    const QWidget* owner = parent->window();
    if (!dialog.testAttribute(Qt::WA_Resized)) {
        dialog.adjustSize();
    }
    QPoint topLeft = owner->geometry().center() - dialog.rect().center();
    if (const QScreen* screen = owner->screen()) {
        const QRect room = screen->availableGeometry();
        const int lastLeft = room.x() + room.width() - dialog.width();
        const int lastTop = room.y() + room.height() - dialog.height();
        topLeft.setX(std::clamp(topLeft.x(), room.x(), std::max(room.x(), lastLeft)));
        topLeft.setY(std::clamp(topLeft.y(), room.y(), std::max(room.y(), lastTop)));
    }
    dialog.move(topLeft);
}

}  // namespace quillon
