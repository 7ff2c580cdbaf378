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
        topLeft.setX(std::clamp(topLeft.x(), room.left(),
                                std::max(room.left(), room.right() - dialog.width())));
        topLeft.setY(std::clamp(topLeft.y(), room.top(),
                                std::max(room.top(), room.bottom() - dialog.height())));
    }
    dialog.move(topLeft);
}

}  // namespace quillon
